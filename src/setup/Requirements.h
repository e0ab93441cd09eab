#pragma once
// What the installed screensaver needs from the machine beyond what the installer itself
// runs on: Qt's web engine, in which its player runs. The installer checks it before copying
// anything and names the Debian packages that bring what is missing.

#include <string>
#include <vector>

struct TRequirement {
    std::string library; // a shared library the dynamic loader must find, or
    std::string file;    // a file that must exist
    std::string package; // the Debian package that provides it
};

// The web engine's libraries and its helper process (in Qt's folder of helper programs).
std::vector<TRequirement> ScreensaverRequirements(const std::string& qt_helper_folder);

// The packages of the requirements that are not met, each once, in order. Forks to ask the
// loader: call it before the process starts threads.
std::vector<std::string> MissingPackages(const std::vector<TRequirement>& requirements);

// Says that the screensaver cannot play here and how to install the packages.
std::string MissingPackagesMessage(const std::string& display_name,
                                   const std::vector<std::string>& packages);
