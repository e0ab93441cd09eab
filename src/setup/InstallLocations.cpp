#include "InstallLocations.h"

#include <cstdint>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <utility>

namespace {

std::string AbsoluteOr(const char* value, const std::string& fallback) {
    // The XDG rules: a relative path in these variables is invalid and ignored.
    if (value && value[0] == '/') return value;
    return fallback;
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

bool IsUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t extra;
        uint32_t code;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= text.size()) return false;
        for (size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF.
        if ((extra == 2 && code < 0x800) || (extra == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Windows-1252's printable characters in 0x80-0x9F; its five holes stay as Latin-1 controls.
const uint16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

TInstallEnvironment TInstallEnvironment::FromProcess() {
    std::string home;
    if (const char* value = std::getenv("HOME"); value && *value)
        home = value;
    else if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        home = entry->pw_dir;
    TInstallEnvironment environment = For(home);
    environment.data_home = AbsoluteOr(std::getenv("XDG_DATA_HOME"), environment.data_home);
    environment.config_home = AbsoluteOr(std::getenv("XDG_CONFIG_HOME"), environment.config_home);
    return environment;
}

TInstallEnvironment TInstallEnvironment::For(const std::string& home,
                                             const std::string& xdg_data_home,
                                             const std::string& xdg_config_home) {
    TInstallEnvironment environment;
    environment.home = home;
    environment.data_home = AbsoluteOr(xdg_data_home.c_str(), Join(Join(home, ".local"), "share"));
    environment.config_home = AbsoluteOr(xdg_config_home.c_str(), Join(home, ".config"));
    return environment;
}

TInstallLocations::TInstallLocations(TInstallEnvironment environment, TInstallScope scope)
    : environment(std::move(environment)), scope(scope) {}

std::string TInstallLocations::DataRoot() const {
    return scope == TInstallScope::System ? environment.system_data : environment.data_home;
}

std::string TInstallLocations::ConfigRoot() const {
    return scope == TInstallScope::System ? environment.system_config : environment.config_home;
}

std::string TInstallLocations::OwnDataFolder() const {
    return Join(DataRoot(), "glimmerdrome");
}

std::string TInstallLocations::DefaultDestination(const std::string& project_name) const {
    return Join(Join(OwnDataFolder(), "screensavers"), FileNameOf(project_name));
}

std::string TInstallLocations::ApplicationsFolder() const {
    return Join(DataRoot(), "applications");
}

std::string TInstallLocations::DirectoriesFolder() const {
    return Join(DataRoot(), "desktop-directories");
}

std::string TInstallLocations::MenusFolder() const {
    return Join(Join(ConfigRoot(), "menus"), "applications-merged");
}

std::string TInstallLocations::ManifestPath(const std::string& project_name) const {
    return Join(Join(OwnDataFolder(), "installed"), FileNameOf(project_name) + ".manifest");
}

std::string TInstallLocations::XScreenSaverPath() const {
    if (scope == TInstallScope::System || environment.home.empty()) return {};
    return Join(environment.home, ".xscreensaver");
}

std::string TextAsUtf8(const std::string& text) {
    if (IsUtf8(text)) return text;
    std::string out;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        AppendUtf8(out, c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c);
    }
    return out;
}

std::string FileNameOf(const std::string& project_name) {
    std::string name;
    for (char ch : TextAsUtf8(project_name)) {
        const auto c = static_cast<unsigned char>(ch);
        name += (c < 0x20 || c == 0x7F || ch == '/' || ch == '\\') ? '_' : ch;
    }
    // Blanks at either end make names that are easy to get wrong in a shell or a file dialog.
    const size_t first = name.find_first_not_of(' ');
    name = first == std::string::npos ? ""
                                      : name.substr(first, name.find_last_not_of(' ') - first + 1);
    if (name.empty()) return "Screensaver";
    if (name == "." || name == "..") return std::string(name.size(), '_');
    // Room for the longest suffix we add (".manifest") within the usual 255-byte limit,
    // without cutting a character in two.
    if (name.size() > 240) {
        size_t cut = 240;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
    }
    return name;
}

std::string DesktopIdOf(const std::string& project_name) {
    std::string id;
    for (char ch : project_name) {
        const char lower = (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
        const bool plain = (lower >= 'a' && lower <= 'z') || (lower >= '0' && lower <= '9');
        if (plain)
            id += lower;
        else if (!id.empty() && id.back() != '-')
            id += '-';
    }
    while (!id.empty() && id.back() == '-')
        id.pop_back();
    if (id.size() > 64) id.resize(64);
    // Names of other scripts keep an id of their own rather than all sharing one.
    if (id.empty()) {
        uint32_t hash = 2166136261u;
        for (char ch : project_name)
            hash = (hash ^ static_cast<unsigned char>(ch)) * 16777619u;
        static const char digits[] = "0123456789abcdef";
        id = "screensaver-";
        for (int i = 7; i >= 0; --i)
            id += digits[(hash >> (i * 4)) & 0xF];
    }
    return id;
}
