#pragma once
// The screensaver's settings as it plays: the project's defaults from its packed project
// file, and, when the project lets end users change them, the end user's own choices over
// them, stored per user in $XDG_CONFIG_HOME/glimmerdrome/screensavers/<ProjectName>.ini
// (section "Configuration", the keys and value forms of the project file).

#include <cstdint>
#include <string>

class TSCL;

struct TSaverSettings {
    uint32_t backgroundColor = 0; // the project file's colour value (00BBGGRR, system colour)
    int displayStyle = 0;         // 0 "Original Size", 1 "Full Screen"
    int runType = 0;              // 0 sequential, 1 random
    int switchType = 0;           // 0 wait until the last one finishes, 1 wait for interval
    int interval = 5;             // seconds, for switchType 1
    bool mute = false;

    bool operator==(const TSaverSettings&) const = default;
};

// The project's defaults, each value brought into its range (an unknown style or order reads
// as the first, an interval below 1 as 1).
TSaverSettings ProjectSaverSettings(const TSCL& project);

// Where the end user's choices for the named screensaver live. Characters a file name cannot
// hold are replaced, so every project name gives one file inside that folder.
std::string UserSettingsPath(const std::string& project_name);

// The settings with the end user's stored choices over them; keys the file lacks keep the
// given values. A missing file changes nothing.
TSaverSettings WithUserSettings(const TSaverSettings& defaults, const std::string& path);

// Stores every choice in one atomic write, creating the folders. Raises EIniWriteError.
void StoreUserSettings(const TSaverSettings& settings, const std::string& path);
