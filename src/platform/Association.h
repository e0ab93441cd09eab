#pragma once
// The association of project files (".gldp") with the program.
//
// On Windows it is three registry keys under HKEY_CLASSES_ROOT; WindowsAssociationValues gives
// them exactly. On a Linux desktop it is a shared-mime-info package that gives "*.gldp" its own
// MIME type, a .desktop entry that opens such files with the program, and the project icon,
// all under the user's XDG data folder. The desktop entry carries the program's desktop id, so
// for a user of an installed package it takes the place of the package's entry instead of
// listing the program twice.

#include <string>
#include <vector>

#include "ResourceLocator.h"

// One registry key under HKEY_CLASSES_ROOT with only its default (unnamed) string value set.
struct TRegistryValue {
    std::string Key;
    std::string Value;
};

// The three keys in the order they are written; program_dir has no trailing backslash.
std::vector<TRegistryValue> WindowsAssociationValues(const std::string& program_dir);

inline constexpr const char* ProjectMimeType = "application/x-glimmerdrome-project";
// The icon name of the project files' MIME type.
inline constexpr const char* ProjectIconName = "application-x-glimmerdrome-project";

struct TAssociationPaths {
    std::string DataHome;   // the XDG data folder ($XDG_DATA_HOME, default ~/.local/share)
    std::string Program;    // the executable the desktop entry starts
    std::string IconSource; // the project icon: a PNG, SVG, or ICO with PNG images; may be ""
    std::string ProgramIconSource = ""; // the program's icon, a PNG; may be ""
};

// The user's data folder and the program and icons the locator finds.
TAssociationPaths DefaultAssociationPaths(const TResourceLocator& resources);
// The same for a flat program folder.
TAssociationPaths DefaultAssociationPaths(const std::string& program_dir);

// The files ApplyDesktopAssociation(true, ...) writes (each icon only when its source gives one).
struct TAssociationFiles {
    std::string MimePackage;
    std::string DesktopEntry;
    std::string Icon;
    std::string ProgramIcon;
};
TAssociationFiles DesktopAssociationFiles(const TAssociationPaths& paths);

// The texts of the shared-mime-info package and of the desktop entry that starts exec_program
// (a name found on the PATH, or a full path) with the given icon name. The installed package
// ships the same texts, so the user's association and the system's never disagree.
std::string ProjectMimePackageText();
std::string DesktopEntryText(const std::string& exec_program, const std::string& icon_name);

// On: writes the MIME package, the desktop entry and the icon (replacing earlier ones).
// Off: removes exactly those files when present. Either way the desktop's caches are then
// refreshed with update-mime-database and update-desktop-database when they are installed.
// A file that cannot be written raises EFCreateError (files written before it stay); a
// missing or relative data folder raises EInOutError.
void ApplyDesktopAssociation(bool on, const TAssociationPaths& paths);
