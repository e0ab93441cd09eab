// gldexample DIR: writes the example project "Starfield" into DIR: three movies of our own
// generator, an icon of our own drawing, a readme and a licence (kept when present), and
// Starfield.gldp naming them all by absolute path.
// gldexample --portable DIR: the same, with the names relative to the project file, so that
// the folder may be copied anywhere (the package ships it so).
// gldexample --default-icon FILE: writes the program's default project icon.
// gldexample --program-icon FILE: writes the program's icon as a PNG.
// gldexample --desktop-files DIR: writes what a desktop needs to know the program, below a
// share folder DIR: its desktop entry, the project files' MIME type and both icons in the
// hicolor theme at every usual size.

#include <QImage>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "Association.h"
#include "BuildIdentity.h"
#include "FilePaths.h"
#include "IconFile.h"
#include "ResourceLocator.h"
#include "SwfGen.h"
#include "cScl.h"
#include "dm.h"

namespace {

const char* const kReadme =
    "Starfield Screensaver 1.0\n\nThank you for trying Starfield, a calm screensaver of drifting "
    "lights.\n\n"
    "Three short movies take turns on your screen: Aurora, Comets and Nebula.\n";
const char* const kLicense =
    "STARFIELD SCREENSAVER - LICENCE AGREEMENT\n\nYou may install and use Starfield on any number "
    "of your "
    "own computers, free of charge. Starfield is given as it is, without any warranty.\n";

void WriteTextIfMissing(const std::string& path, const char* text) {
    if (FileExists(path)) return;
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out) throw std::runtime_error("Cannot write " + path);
}

std::vector<QImage> Sizes(QImage (*draw)(int)) {
    return {draw(16), draw(24), draw(32), draw(48), draw(64)};
}

void WriteText(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) throw std::runtime_error("Cannot write " + path);
}

void WritePng(const std::string& path, const QImage& image) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    if (!image.save(QString::fromStdString(path), "PNG"))
        throw std::runtime_error("Cannot write " + path);
}

int WriteDesktopFiles(const std::string& share) {
    const std::string id = DesktopId;
    WriteText(JoinPath(share, "applications/" + id + ".desktop"),
              DesktopEntryText("glimmerdrome", id));
    WriteText(JoinPath(share, "mime/packages/glimmerdrome.xml"), ProjectMimePackageText());
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string folder =
            JoinPath(share, "icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size));
        WritePng(JoinPath(folder, "apps/" + id + ".png"), Tdm::ProgramIconImage(size));
        WritePng(JoinPath(folder, "mimetypes/" + std::string(ProjectIconName) + ".png"),
                 Tdm::DefaultProjectIconImage(size));
    }
    return 0;
}

int WriteExample(const std::string& folder_argument, bool portable) {
    std::filesystem::create_directories(folder_argument);
    const std::string folder =
        std::filesystem::absolute(folder_argument).lexically_normal().string();

    struct TMovie {
        const char* name;
        int theme;
        uint32_t background;
        TSwfCompression compression;
    };
    const TMovie movies[] = {
        {"Aurora.swf", 0, 0x0B1A3A, TSwfCompression::None},
        {"Comets.swf", 1, 0x060A18, TSwfCompression::Zlib},
        {"Nebula.swf", 2, 0x1A0B2E, TSwfCompression::None},
    };
    std::vector<std::string> files;
    for (const auto& movie : movies) {
        TSwfParams params;
        params.width = 640;
        params.height = 480;
        params.frames = 120;
        params.frame_rate = 24;
        params.theme = movie.theme;
        params.background = movie.background;
        params.compression = movie.compression;
        const std::string path = JoinPath(folder, movie.name);
        WriteSwf(path, params);
        files.push_back(portable ? movie.name : path);
    }

    const std::string icon = JoinPath(folder, "Starfield.ico");
    WriteIcoFile(icon, Sizes(&Tdm::ProgramIconImage));
    const std::string readme = JoinPath(folder, "Readme.txt");
    const std::string license = JoinPath(folder, "License.txt");
    WriteTextIfMissing(readme, kReadme);
    WriteTextIfMissing(license, kLicense);

    // A fresh file, so that the keys come in the order of a newly saved project.
    const std::string project = JoinPath(folder, "Starfield.gldp");
    std::filesystem::remove(project);
    TSCL document;
    document.Load(project);
    document.ProjectName = "Starfield";
    document.Version = "1.0";
    document.Author = "Glimmerdrome Examples";
    document.Email = "examples@glimmerdrome.example";
    document.Homepage = "https://www.glimmerdrome.example/starfield";
    auto named = [&](const std::string& path) { return portable ? ExtractFileName(path) : path; };
    document.Icon = named(icon);
    document.InstallMode = 1;
    document.ReadmeFile = named(readme);
    document.LicenseFile = named(license);
    document.Files = files;
    document.Interval = 10;
    document.RunType = 0;
    document.DisplayStyle = 1;
    document.BackgroundColor = "clBlack";
    document.SwitchType = 1;
    document.EnableUserModify = true;
    document.Mute = false;
    document.Save();
    document.Release();
    std::printf("%s\n", project.c_str());
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    // The pictures are drawn on images without text, which needs no application object and
    // no display.
    try {
        const std::string mode = argc > 1 ? argv[1] : "";
        if (argc == 2 && mode == "--version") {
            std::printf("%s", VersionLine("gldexample").c_str());
            return 0;
        }
        if (argc == 3 && mode == "--default-icon") {
            WriteIcoFile(argv[2], Sizes(&Tdm::DefaultProjectIconImage));
            return 0;
        }
        if (argc == 3 && mode == "--program-icon") {
            WritePng(argv[2], Tdm::ProgramIconImage(ProgramIconSize));
            return 0;
        }
        if (argc == 3 && mode == "--desktop-files") return WriteDesktopFiles(argv[2]);
        if (argc == 3 && mode == "--portable") return WriteExample(argv[2], true);
        if (argc == 2 && argv[1][0] != '-') return WriteExample(argv[1], false);
        std::fprintf(stderr, "usage: gldexample [--portable] DIR\n"
                             "       gldexample --default-icon FILE\n"
                             "       gldexample --program-icon FILE\n"
                             "       gldexample --desktop-files DIR\n"
                             "       gldexample --version\n");
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "gldexample: %s\n", error.what());
        return 1;
    }
}
