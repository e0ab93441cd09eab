#pragma once
// The project document: one project file (".gldp") read or written in one go.
//
// Use it for one operation: create, Load, read or assign the fields, Save (when writing),
// Release. Loading a file that does not exist gives the defaults and creates nothing.

#include <cstdint>
#include <string>
#include <vector>

#include "cIniFather.h"

class TSCL : public TIniFather {
public:
    TSCL() = default;

    std::string ProjectName;
    std::string Version;
    std::string Author;
    std::string Email;
    std::string Homepage;
    std::string Icon;
    int32_t InstallMode = 0; // 0 quick (silent), 1 standard (step by step)
    std::string ReadmeFile;
    std::string LicenseFile;
    std::vector<std::string> Files;
    int32_t Interval = 0;
    int32_t DisplayStyle = 0; // 0 original size, 1 full screen
    int32_t RunType = 0;      // 0 sequential, 1 random
    std::string BackgroundColor;
    bool EnableUserModify = false;
    bool Mute = false;
    int32_t SwitchType = 0; // 0 wait until the last one finishes, 1 wait for the interval

    // Opens the project file at path and reads every field (defaults for what is missing).
    // Raises EIniReadError when the file is there but cannot be read.
    void Load(const std::string& path);
    // Writes every field into the file Load opened, keeping its other keys and sections, in
    // one atomic write. Raises EIniWriteError when refused and EIniReadError when the file
    // is there but cannot be read; the file is then left as it was. Calling it before Load
    // raises std::logic_error.
    void Save();
    // Frees the file object and the file list.
    void Release();

private:
    void ReadFields();
    void WriteFields();
};

// Names of the sections and keys of a project file, for the few callers that read one
// directly (the build pipeline reads the project name from a packed project file).
namespace ProjectKeys {
inline constexpr const char* GeneralSection = "General Information";
inline constexpr const char* InstallerSection = "Installer";
inline constexpr const char* FilesSection = "Files";
inline constexpr const char* ConfigurationSection = "Configuration";
} // namespace ProjectKeys

inline constexpr const char* ProjectFileExtension = ".gldp";
