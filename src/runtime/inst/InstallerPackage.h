#pragma once
// What an installer carries, as the installation sees it: the screensaver file, the project
// (its name, version, the way of installing), the icon and the two texts, found in the archive
// behind the installer's own bytes.
//
// The archive holds, in this order, the screensaver, the project file, then the project's
// icon, readme and licence as far as they existed when it was built; entries are found by the
// name parts of the paths the packed project names.

#include "Installation.h"

#include <optional>
#include <string>

class TRuntimeArchive;

class TInstallerPackage {
public:
    // Reads the packed project from archive, which must outlive the package. Raises with a
    // message for the user when the package is not an installer of ours (no screensaver or no
    // project inside).
    explicit TInstallerPackage(TRuntimeArchive& archive);

    // Expands every block of every file and checks its CRC. Raises EArchiveDamaged.
    void Check();

    const std::string& ProjectName() const { return project_name; }
    const std::string& Version() const { return version; }
    // 0 quick (one question), 1 standard (the wizard).
    int InstallMode() const { return install_mode; }
    // The texts' bytes, when the installer carries them.
    const std::optional<std::string>& Readme() const { return readme; }
    const std::optional<std::string>& Licence() const { return licence; }
    // The icon's bytes and its name in the package, when there is one.
    const std::optional<std::string>& Icon() const { return icon; }
    const std::string& IconName() const { return icon_name; }

    // What to install: the screensaver read straight from the archive, the icon as given
    // (the caller may have converted it), and the installer's own program part as the
    // uninstaller. Destination and menu folder are left for the caller.
    TInstallRequest Request(const std::optional<TPackageFile>& icon_file) const;

private:
    TRuntimeArchive* archive;
    size_t screensaver = 0;
    std::string project_name, version;
    int install_mode = 0;
    std::optional<std::string> readme, licence, icon;
    std::string icon_name;
};
