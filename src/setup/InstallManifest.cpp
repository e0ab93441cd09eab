#include "InstallManifest.h"

#include "InstallErrors.h"

#include <string_view>

namespace {

const char* const kHeader = "Glimmerdrome installation 1";

std::string Escape(const std::string& field) {
    std::string out;
    for (char c : field) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Unescape(std::string_view field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            out += field[i];
            continue;
        }
        switch (field[++i]) {
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            out += field[i];
        }
    }
    return out;
}

std::vector<std::string> Fields(std::string_view line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(
            Unescape(line.substr(start, tab == std::string_view::npos ? tab : tab - start)));
        if (tab == std::string_view::npos) return fields;
        start = tab + 1;
    }
}

void Record(std::string& text, std::initializer_list<std::string> fields) {
    bool first = true;
    for (const std::string& field : fields) {
        if (!first) text += '\t';
        text += Escape(field);
        first = false;
    }
    text += '\n';
}

uint64_t Number(const std::string& text) {
    try {
        size_t used = 0;
        const uint64_t value = std::stoull(text, &used, 10);
        if (used == text.size()) return value;
    } catch (const std::exception&) {
    }
    throw EInstallError("The installation record is damaged.");
}

} // namespace

uint64_t ContentHash(const std::string& bytes) {
    uint64_t hash = 14695981039346656037ull;
    for (char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return hash;
}

std::string TInstallManifest::Text() const {
    std::string text = std::string(kHeader) + "\n";
    Record(text, {"name", project_name});
    Record(text, {"version", version});
    Record(text, {"scope", scope == TInstallScope::System ? "system" : "user"});
    Record(text, {"destination", destination});
    Record(text, {"menu", menu_folder});
    for (const std::string& folder : folders)
        Record(text, {"folder", folder});
    for (const std::string& file : files)
        Record(text, {"file", file});
    if (xscreensaver)
        Record(text, {"xscreensaver", xscreensaver->path, std::to_string(xscreensaver->offset),
                      xscreensaver->inserted, std::to_string(xscreensaver->size_after),
                      std::to_string(xscreensaver->hash_after), xscreensaver->command});
    return text;
}

TInstallManifest TInstallManifest::Parse(const std::string& text) {
    std::string_view rest(text);
    const size_t first = rest.find('\n');
    if (first == std::string_view::npos || rest.substr(0, first) != kHeader)
        throw EInstallError("The installation record is damaged.");
    rest.remove_prefix(first + 1);
    TInstallManifest manifest;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (line.empty()) continue;
        const std::vector<std::string> f = Fields(line);
        const std::string& key = f[0];
        if (f.size() == 2 && key == "name")
            manifest.project_name = f[1];
        else if (f.size() == 2 && key == "version")
            manifest.version = f[1];
        else if (f.size() == 2 && key == "scope")
            manifest.scope = f[1] == "system" ? TInstallScope::System : TInstallScope::User;
        else if (f.size() == 2 && key == "destination")
            manifest.destination = f[1];
        else if (f.size() == 2 && key == "menu")
            manifest.menu_folder = f[1];
        else if (f.size() == 2 && key == "folder")
            manifest.folders.push_back(f[1]);
        else if (f.size() == 2 && key == "file")
            manifest.files.push_back(f[1]);
        else if (f.size() == 7 && key == "xscreensaver")
            manifest.xscreensaver =
                TXScreenSaverEdit{f[1], Number(f[2]), f[3], Number(f[4]), Number(f[5]), f[6]};
        else
            throw EInstallError("The installation record is damaged.");
    }
    // Only absolute paths: a relative one would be taken from wherever the uninstaller runs.
    for (const std::string& path : manifest.files)
        if (path.empty() || path[0] != '/')
            throw EInstallError("The installation record is damaged.");
    for (const std::string& path : manifest.folders)
        if (path.empty() || path[0] != '/')
            throw EInstallError("The installation record is damaged.");
    return manifest;
}
