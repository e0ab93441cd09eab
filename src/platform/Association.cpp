#include "Association.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FileErrors.h"
#include "FilePaths.h"
#include "Shell.h"

namespace {

// Earlier versions named the user's desktop entry so; it goes when the association is written.
const char* const LegacyDesktopEntry = "applications/glimmerdrome.desktop";
const int IconSizes[] = {16, 22, 24, 32, 48, 64, 96, 128, 192, 256, 512};

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "";
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool IsPng(const std::string& data) {
    return data.size() >= 24 && data.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0;
}

uint32_t PngWidth(const std::string& data) {
    auto b = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(data[i])); };
    return (b(16) << 24) | (b(17) << 16) | (b(18) << 8) | b(19);
}

// The largest PNG image inside an ICO file; "" when it holds none (older icons keep bitmaps,
// which desktop icon themes cannot use).
std::string PngFromIco(const std::string& ico) {
    auto u16 = [&](size_t i) {
        return static_cast<uint32_t>(static_cast<unsigned char>(ico[i])) |
               (static_cast<uint32_t>(static_cast<unsigned char>(ico[i + 1])) << 8);
    };
    auto u32 = [&](size_t i) { return u16(i) | (u16(i + 2) << 16); };
    if (ico.size() < 6 || u16(0) != 0 || u16(2) != 1) return "";
    uint32_t count = u16(4);
    std::string best;
    uint32_t best_width = 0;
    for (uint32_t n = 0; n < count; ++n) {
        size_t entry = 6 + 16 * static_cast<size_t>(n);
        if (entry + 16 > ico.size()) break;
        uint32_t size = u32(entry + 8);
        uint32_t offset = u32(entry + 12);
        if (offset > ico.size() || size > ico.size() - offset) continue;
        std::string image = ico.substr(offset, size);
        if (!IsPng(image)) continue;
        uint32_t width = PngWidth(image);
        if (width > best_width) {
            best_width = width;
            best = std::move(image);
        }
    }
    return best;
}

// The icon as it is to be installed: its bytes and the path under the data folder.
struct TIcon {
    std::string data;
    std::string path;
};

std::string IconFolder(const std::string& data_home, const std::string& size) {
    return JoinPath(data_home, "icons/hicolor/" + size + "/mimetypes");
}

TIcon IconFor(const TAssociationPaths& paths) {
    TIcon icon;
    if (paths.IconSource.empty() || !FileExists(paths.IconSource)) return icon;
    std::string data = ReadWholeFile(paths.IconSource);
    std::string ext = ExtractFileExt(paths.IconSource);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".svg") {
        icon.data = std::move(data);
        icon.path =
            JoinPath(IconFolder(paths.DataHome, "scalable"), std::string(ProjectIconName) + ".svg");
        return icon;
    }
    if (ext == ".ico") data = PngFromIco(data);
    if (!IsPng(data)) return icon;
    uint32_t width = PngWidth(data);
    std::string folder = "scalable";
    for (int size : IconSizes)
        if (static_cast<uint32_t>(size) == width)
            folder = std::to_string(size) + "x" + std::to_string(size);
    icon.data = std::move(data);
    icon.path = JoinPath(IconFolder(paths.DataHome, folder), std::string(ProjectIconName) + ".png");
    return icon;
}

// Every place an icon of ours can have been installed, whatever the source was then.
std::vector<std::string> AllIconPaths(const std::string& data_home) {
    std::vector<std::string> all;
    all.push_back(
        JoinPath(IconFolder(data_home, "scalable"), std::string(ProjectIconName) + ".svg"));
    all.push_back(
        JoinPath(IconFolder(data_home, "scalable"), std::string(ProjectIconName) + ".png"));
    for (int size : IconSizes)
        all.push_back(
            JoinPath(IconFolder(data_home, std::to_string(size) + "x" + std::to_string(size)),
                     std::string(ProjectIconName) + ".png"));
    return all;
}

void WriteFileAtomically(const std::string& path, const std::string& content) {
    ForceDirectories(ExtractFileDir(path));
    std::string temp;
    int fd = CreateFileBeside(path, temp, 0644);
    if (fd < 0) throw EFCreateError(FileCreateErrorMessage(path, errno));
    int error = 0;
    size_t done = 0;
    while (!error && done < content.size()) {
        ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            error = n < 0 ? errno : EIO;
        else
            done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0 && !error) error = errno;
    if (!error && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error) {
        ::unlink(temp.c_str());
        throw EFCreateError(FileCreateErrorMessage(path, error));
    }
}

// Quotes one argument of a desktop entry's Exec line and escapes it as a string value.
std::string ExecArgument(const std::string& arg) {
    std::string quoted;
    bool needs_quotes =
        arg.empty() || arg.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
    for (char c : arg) {
        if (needs_quotes && (c == '"' || c == '`' || c == '$' || c == '\\')) quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    if (needs_quotes) quoted = "\"" + quoted + "\"";
    // The Exec value is itself a string value, in which a backslash is written twice.
    std::string escaped;
    for (char c : quoted) {
        if (c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::string ProgramIconPath(const std::string& data_home) {
    const std::string size = std::to_string(ProgramIconSize);
    return JoinPath(data_home,
                    "icons/hicolor/" + size + "x" + size + "/apps/" + DesktopId + ".png");
}

// The program's icon as it is to be installed; none unless the source is a PNG.
TIcon ProgramIconFor(const TAssociationPaths& paths) {
    TIcon icon;
    if (paths.ProgramIconSource.empty() || !FileExists(paths.ProgramIconSource)) return icon;
    std::string data = ReadWholeFile(paths.ProgramIconSource);
    if (!IsPng(data)) return icon;
    icon.data = std::move(data);
    icon.path = ProgramIconPath(paths.DataHome);
    return icon;
}

// Only an entry of ours goes: one that opens project files.
void RemoveLegacyDesktopEntry(const std::string& data_home) {
    const std::string path = JoinPath(data_home, LegacyDesktopEntry);
    if (ReadWholeFile(path).find("\nMimeType=" + std::string(ProjectMimeType) + ";") !=
        std::string::npos)
        ::unlink(path.c_str());
}

void RefreshCaches(const TAssociationPaths& paths) {
    std::string mime = JoinPath(paths.DataHome, "mime");
    std::string applications = JoinPath(paths.DataHome, "applications");
    // A missing or failing cache tool only means the desktop notices the change later.
    if (FolderExists(JoinPath(mime, "packages"))) RunQuietlyAndWait({"update-mime-database", mime});
    if (FolderExists(applications))
        RunQuietlyAndWait({"update-desktop-database", "-q", applications});
}

} // namespace

std::vector<TRegistryValue> WindowsAssociationValues(const std::string& program_dir) {
    return {
        {".gldp", "Glimmerdrome.Project"},
        {"Glimmerdrome.Project\\DefaultIcon", program_dir + "\\Glimmerdrome.exe,1"},
        {"Glimmerdrome.Project\\Shell\\Open\\Command",
         "\"" + program_dir + "\\Glimmerdrome.exe\" \"%1\""},
    };
}

TAssociationPaths DefaultAssociationPaths(const TResourceLocator& resources) {
    TAssociationPaths paths;
    const char* xdg = std::getenv("XDG_DATA_HOME");
    // The XDG base-directory rules ignore relative values.
    if (xdg && xdg[0] == '/')
        paths.DataHome = ExcludeTrailingPathDelimiter(xdg);
    else
        paths.DataHome = JoinPath(HomeFolder(), ".local/share");
    paths.Program = JoinPath(resources.ProgramFolder(), "glimmerdrome");
    for (const char* name :
         {"defaultProjectIcon.svg", "defaultProjectIcon.png", "defaultProjectIcon.ico"}) {
        std::string candidate = JoinPath(resources.DataFolder(), name);
        if (FileExists(candidate)) {
            paths.IconSource = candidate;
            break;
        }
    }
    if (FileExists(resources.ProgramIcon())) paths.ProgramIconSource = resources.ProgramIcon();
    return paths;
}

TAssociationPaths DefaultAssociationPaths(const std::string& program_dir) {
    return DefaultAssociationPaths(TResourceLocator(program_dir));
}

std::string ProjectMimePackageText() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
           "  <mime-type type=\"" +
           std::string(ProjectMimeType) +
           "\">\n"
           "    <comment>Glimmerdrome project</comment>\n"
           "    <icon name=\"" +
           std::string(ProjectIconName) +
           "\"/>\n"
           "    <glob pattern=\"*.gldp\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

std::string DesktopEntryText(const std::string& exec_program, const std::string& icon_name) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Glimmerdrome\n"
           "GenericName=Screensaver Builder\n"
           "Comment=Turn Flash movies into a screensaver and its installer\n"
           "Keywords=screensaver;Flash;SWF;installer;\n"
           "Exec=" +
           ExecArgument(exec_program) +
           " %f\n"
           "Icon=" +
           icon_name +
           "\n"
           "Terminal=false\n"
           "MimeType=" +
           std::string(ProjectMimeType) +
           ";\n"
           "Categories=Graphics;\n";
}

TAssociationFiles DesktopAssociationFiles(const TAssociationPaths& paths) {
    TAssociationFiles files;
    files.MimePackage = JoinPath(paths.DataHome, "mime/packages/glimmerdrome-project.xml");
    files.DesktopEntry =
        JoinPath(paths.DataHome, "applications/" + std::string(DesktopId) + ".desktop");
    files.Icon = IconFor(paths).path;
    files.ProgramIcon = ProgramIconFor(paths).path;
    return files;
}

void ApplyDesktopAssociation(bool on, const TAssociationPaths& paths) {
    // Without a home there is no user data folder; a relative one would litter the current
    // folder instead.
    if (paths.DataHome.empty() || paths.DataHome.front() != '/')
        throw EInOutError("There is no data folder for the file association (\"" + paths.DataHome +
                          "\")");
    TAssociationFiles files = DesktopAssociationFiles(paths);
    struct TRefresh {
        const TAssociationPaths& paths;
        ~TRefresh() { RefreshCaches(paths); }
    } refresh{paths}; // also after a failed step, as the registry version notifies the shell

    RemoveLegacyDesktopEntry(paths.DataHome);
    if (!on) {
        ::unlink(files.MimePackage.c_str());
        ::unlink(files.DesktopEntry.c_str());
        for (const std::string& icon : AllIconPaths(paths.DataHome))
            ::unlink(icon.c_str());
        ::unlink(ProgramIconPath(paths.DataHome).c_str());
        return;
    }

    WriteFileAtomically(files.MimePackage, ProjectMimePackageText());

    // Without an icon of the program's own the project icon stands in, as it always did.
    TIcon program_icon = ProgramIconFor(paths);
    WriteFileAtomically(files.DesktopEntry,
                        DesktopEntryText(paths.Program, program_icon.path.empty()
                                                            ? std::string(ProjectIconName)
                                                            : std::string(DesktopId)));
    if (program_icon.path.empty())
        ::unlink(ProgramIconPath(paths.DataHome).c_str());
    else
        WriteFileAtomically(program_icon.path, program_icon.data);

    TIcon icon = IconFor(paths);
    // A changed source may now land elsewhere: only one icon of ours may remain.
    for (const std::string& old : AllIconPaths(paths.DataHome))
        if (old != icon.path) ::unlink(old.c_str());
    if (!icon.path.empty()) WriteFileAtomically(icon.path, icon.data);
}
