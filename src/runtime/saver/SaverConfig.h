#pragma once
// The end user's settings window: the window the authoring program previews, shown for real.
// It opens on the screensaver's identity; when the project lets end users change the settings
// it also shows them (the user's own, else the project's) and stores them when OK closes it.

#include "SaverPackage.h"

#include <string>

// Shows the window modally and stores the choices in user_file on OK. Raises EIniWriteError
// when they cannot be stored.
void RunSaverConfig(const TSaverPackage& package, const TSaverSettings& settings,
                    const std::string& user_file);
