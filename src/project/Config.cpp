#include "Config.h"

#include <algorithm>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Association.h"
#include "FilePaths.h"
#include "ResourceLocator.h"

namespace {

const char* const General = "General";
const char* const Configuration = "Configuration";
const char* const Recent = "RecentFiles";
constexpr int StoredRecentFiles = 9;

// Atomic writes put a new file beside the settings and rename it, so the folder itself must
// accept new files; trying it is the only test that also holds for root and read-only mounts.
bool FolderAcceptsFiles(const std::string& folder) {
    std::string probe;
    int fd = CreateFileBeside(JoinPath(folder, SettingsFileName), probe, 0600);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

// A settings file that the INI layer would refuse to replace, or one it cannot read (and so
// must not replace either).
bool IsUnusableFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return ::lstat(path.c_str(), &st) == 0;
    if ((st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0) return true;
    try {
        TIniFile(path).Read();
    } catch (const EIniReadError&) {
        return true;
    }
    return false;
}

std::string UserConfigHome() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') return xdg;
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h)
        home = h;
    else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        home = pw->pw_dir;
    return JoinPath(home, ".config");
}

} // namespace

TConfig::TConfig() : TConfig(TResourceLocator::ForRunningProgram()) {}

TConfig::TConfig(const std::string& program_dir, const std::string& config_home)
    : TConfig(TResourceLocator(program_dir), config_home) {}

TConfig::TConfig(const TResourceLocator& locator, const std::string& config_home)
    : resources(locator) {
    ProgramDir = resources.ProgramFolder();
    const std::string beside = resources.SettingsFolder();
    std::string settings;
    if (!beside.empty() && FolderAcceptsFiles(beside) &&
        !IsUnusableFile(JoinPath(beside, SettingsFileName))) {
        settings = JoinPath(beside, SettingsFileName);
    } else {
        uses_user_folder = true;
        std::string folder =
            JoinPath(config_home.empty() ? UserConfigHome() : config_home, "glimmerdrome");
        // A folder that cannot be made shows up on the first write as "Unable to write to".
        ForceDirectories(folder);
        settings = JoinPath(folder, SettingsFileName);
    }
    IniFile = std::make_unique<TIniFile>(settings);
    FileName = settings;
}

void TConfig::CloseSettings() {
    IniFile.reset();
}

bool TConfig::GetShowToolbar() const {
    return ReadFlag(General, "ShowToolbar", true);
}
void TConfig::SetShowToolbar(bool value) {
    WriteFlag(General, "ShowToolbar", value);
}
bool TConfig::GetQuickStart() const {
    return ReadFlag(Configuration, "QuickStart", true);
}
void TConfig::SetQuickStart(bool value) {
    WriteFlag(Configuration, "QuickStart", value);
}
bool TConfig::GetBackupAfterSave() const {
    return ReadFlag(Configuration, "BackupAfterSave", false);
}
void TConfig::SetBackupAfterSave(bool value) {
    WriteFlag(Configuration, "BackupAfterSave", value);
}
bool TConfig::GetTestAfterCompile() const {
    return ReadFlag(Configuration, "TestAfterCompile", false);
}
void TConfig::SetTestAfterCompile(bool value) {
    WriteFlag(Configuration, "TestAfterCompile", value);
}
bool TConfig::GetAssociation() const {
    return ReadFlag(Configuration, "Association", false);
}
void TConfig::SetAssociation(bool value) {
    WriteFlag(Configuration, "Association", value);
}

void TConfig::ReadRecentFiles(TRecentFiles& files) const {
    files.fill("");
    // One reading of the file: the list is never a mixture of before and after another
    // program's change.
    ReadAtOnce([&] {
        for (int i = 0; i < StoredRecentFiles; ++i) {
            std::string value = ReadText(Recent, std::to_string(i), "");
            if (value.empty()) break;
            files[static_cast<size_t>(i)] = std::move(value);
        }
    });
}

void TConfig::WriteRecentFiles(const TRecentFiles& files) {
    std::vector<std::pair<std::string, std::string>> values;
    for (int i = 0; i < StoredRecentFiles; ++i)
        if (!files[static_cast<size_t>(i)].empty())
            values.emplace_back(std::to_string(i), files[static_cast<size_t>(i)]);
    // One atomic write for the whole list: the stored list never shows a half-done move.
    Ini().WriteStrings(Recent, values);
}

void TConfig::ClearRecentFiles(TRecentFiles& files) const {
    files.fill("");
}

void TConfig::AddRecentFile(const std::string& path) {
    if (path.empty()) return;
    TRecentFiles files;
    ReadRecentFiles(files);
    int found = -1;
    for (int i = 0; i < StoredRecentFiles && !files[static_cast<size_t>(i)].empty(); ++i)
        if (files[static_cast<size_t>(i)] == path) {
            found = i;
            break;
        }
    int from = found >= 0 ? found - 1 : StoredRecentFiles - 2;
    for (int k = from; k >= 0; --k)
        files[static_cast<size_t>(k + 1)] = files[static_cast<size_t>(k)];
    files[0] = path;
    WriteRecentFiles(files);
}

void TConfig::ApplyAssociation(bool on) {
    ApplyDesktopAssociation(on, DefaultAssociationPaths(resources));
}

void TConfig::RemoveRecentFile(const std::string& path) {
    TRecentFiles files;
    ReadRecentFiles(files);
    const auto end = std::find(files.begin(), files.end(), std::string());
    const auto kept = std::remove(files.begin(), end, path);
    if (kept == end) return;
    std::fill(kept, end, std::string());
    WriteRecentFiles(files);
    // The list ends at its first missing key, so the freed place ends it.
    Ini().DeleteKey(Recent, std::to_string(kept - files.begin()));
}
