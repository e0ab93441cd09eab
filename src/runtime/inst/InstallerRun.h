#pragma once
// What setup.exe does beyond the options every runtime shares: install, step by step or after
// one question or silently, and uninstall.

#include "RuntimeCommandLine.h"

#include <string>
#include <vector>

struct TInstallerOptions {
    bool silent = false;    // no window and no question; the defaults
    bool uninstall = false; // remove instead of install
    bool system = false;    // for every user, under /usr/local (root only)
    std::string manifest;   // uninstall the installation recorded here (the uninstaller's way)
};

// The installer's own lines for --help.
std::string InstallerUsage();

// The shared --test and --version learn what an installer carries.
TRuntimeHooks InstallerHooks();

// False with error set for an unknown option or one without its value.
bool ParseInstallerOptions(const std::vector<std::string>& args, TInstallerOptions& options,
                           std::string& error);

// Exit status: 0 done, 1 nothing installed or removed (the reason has been shown), 2 no
// display to ask on.
int RunInstaller(const TInstallerOptions& options, const TRuntimeIdentity& identity, int argc,
                 char** argv);
