#pragma once
// The program's settings: five switches and the recently used projects in
// "configuration.ini", and the association of project files with the program.
//
// In a flat program folder (a checkout's build/bin, a copied folder) the settings file sits
// beside the program. When that folder cannot be written (a read-only medium), every save
// would fail, so the settings then live in $XDG_CONFIG_HOME/glimmerdrome/configuration.ini
// (default ~/.config/glimmerdrome/) instead, in the same format. An installed tree always uses
// the user's folder. The choice is made once, when the object is created: the user's folder is
// used when no file can be created in the program folder, or when the program folder's
// configuration.ini is read-only or cannot be read (a file we cannot read must not be replaced
// by one with a single key).

#include <array>
#include <string>

#include "ResourceLocator.h"
#include "cIniFather.h"

// Index 0 is the most recent project; "" marks a free place. Only indexes 0 to 8 are used.
using TRecentFiles = std::array<std::string, 10>;

inline constexpr const char* SettingsFileName = "configuration.ini";

class TConfig : public TIniFather {
public:
    // Settings of the running program.
    TConfig();
    // Settings of the program whose files the locator finds; config_home stands for
    // $XDG_CONFIG_HOME ("" means the environment's) when the user's folder is used.
    explicit TConfig(const TResourceLocator& locator, const std::string& config_home = "");
    // Settings of a program in the flat folder program_dir. For tests and tools.
    explicit TConfig(const std::string& program_dir, const std::string& config_home = "");

    std::string ProgramDir;

    // True when the settings live in the user's configuration folder instead of ProgramDir.
    bool UsesUserFolder() const { return uses_user_folder; }

    void CloseSettings();

    bool GetShowToolbar() const;
    void SetShowToolbar(bool value);
    bool GetQuickStart() const;
    void SetQuickStart(bool value);
    bool GetBackupAfterSave() const;
    void SetBackupAfterSave(bool value);
    bool GetTestAfterCompile() const;
    void SetTestAfterCompile(bool value);
    bool GetAssociation() const;
    void SetAssociation(bool value);

    void ReadRecentFiles(TRecentFiles& files) const;
    void WriteRecentFiles(const TRecentFiles& files);
    void ClearRecentFiles(TRecentFiles& files) const;
    void AddRecentFile(const std::string& path);
    // Takes the path (compared exactly) out of the stored list; the others keep their order.
    void RemoveRecentFile(const std::string& path);

    // Writes or removes the association (on Linux the desktop's MIME type, desktop entry and
    // icon under the user's data folder), then refreshes the desktop's caches.
    void ApplyAssociation(bool on);

private:
    TResourceLocator resources;
    bool uses_user_folder = false;
};
