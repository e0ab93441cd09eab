#include "Requirements.h"

#include <algorithm>
#include <cerrno>
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The loader's own answer, with every search rule it applies, asked in a child process: a
// library loaded here would run its start-up code inside the installer and could not be
// unloaded cleanly.
bool LibraryLoads(const std::string& library) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(::dlopen(library.c_str(), RTLD_LAZY | RTLD_LOCAL) ? 0 : 1);
    if (child < 0) return true; // no way to ask: let the installation go on
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

std::vector<TRequirement> ScreensaverRequirements(const std::string& qt_helper_folder) {
    return {
        {"libQt6WebEngineCore.so.6", "", "libqt6webenginecore6"},
        {"libQt6WebEngineWidgets.so.6", "", "libqt6webenginewidgets6"},
        {"", qt_helper_folder + "/QtWebEngineProcess", "libqt6webenginecore6-bin"},
    };
}

std::vector<std::string> MissingPackages(const std::vector<TRequirement>& requirements) {
    std::vector<std::string> missing;
    for (const TRequirement& requirement : requirements) {
        bool met = true;
        if (!requirement.library.empty()) met = LibraryLoads(requirement.library);
        if (met && !requirement.file.empty()) met = ::access(requirement.file.c_str(), X_OK) == 0;
        if (!met && std::find(missing.begin(), missing.end(), requirement.package) == missing.end())
            missing.push_back(requirement.package);
    }
    return missing;
}

std::string MissingPackagesMessage(const std::string& display_name,
                                   const std::vector<std::string>& packages) {
    std::string list;
    for (const std::string& package : packages)
        list += " " + package;
    return display_name +
           " needs Qt's web engine, which is not installed on this computer. Install it "
           "first, for example with\n\n    sudo apt install" +
           list + "\n\nthen run this installer again. Nothing was installed.";
}
