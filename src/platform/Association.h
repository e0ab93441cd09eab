#pragma once
// The association of project files (".gldp") with the program.
//
// On Windows it is three registry keys under HKEY_CLASSES_ROOT; WindowsAssociationValues gives
// them exactly. On a Linux desktop it is a shared-mime-info package that gives "*.gldp" its own
// MIME type, a .desktop entry that opens such files with the program, and the project icon,
// all under the user's XDG data folder.

#include <string>
#include <vector>

// One registry key under HKEY_CLASSES_ROOT with only its default (unnamed) string value set.
struct TRegistryValue {
    std::string Key;
    std::string Value;
};

// The three keys in the order they are written; program_dir has no trailing backslash.
std::vector<TRegistryValue> WindowsAssociationValues(const std::string& program_dir);

inline constexpr const char* ProjectMimeType = "application/x-glimmerdrome-project";

struct TAssociationPaths {
    std::string DataHome;   // the XDG data folder ($XDG_DATA_HOME, default ~/.local/share)
    std::string Program;    // the executable the desktop entry starts
    std::string IconSource; // the project icon: a PNG, SVG, or ICO with PNG images; may be ""
};

// The user's data folder and the program and icon beside it in program_dir.
TAssociationPaths DefaultAssociationPaths(const std::string& program_dir);

// The files ApplyDesktopAssociation(true, ...) writes (icon only when the source gives one).
struct TAssociationFiles {
    std::string MimePackage;
    std::string DesktopEntry;
    std::string Icon;
};
TAssociationFiles DesktopAssociationFiles(const TAssociationPaths& paths);

// On: writes the MIME package, the desktop entry and the icon (replacing earlier ones).
// Off: removes exactly those files when present. Either way the desktop's caches are then
// refreshed with update-mime-database and update-desktop-database when they are installed.
// A file that cannot be written raises EFCreateError (files written before it stay); a
// missing or relative data folder raises EInOutError.
void ApplyDesktopAssociation(bool on, const TAssociationPaths& paths);
