#pragma once
// Loads the Flash player, which the screensaver carries inside itself as a shared object.
//
// The player needs Qt's web engine. Linking it into the screensaver directly would make a
// machine without the engine refuse to start the program with a loader error nobody reads;
// loaded here, its absence becomes a message that names the package to install.

#include "MoviePlayer.h"

#include <QString>

// The player module's entry, or nullptr with why set to a message for the end user. Loads
// the module once per process; later calls return the same entry.
const TPlayerModuleApi* LoadPlayerModule(QString& why);
