// gldexample DIR: writes the example project "Starfield" into DIR: three movies of our own
// generator, an icon of our own drawing, a readme and a licence (kept when present), and
// Starfield.gldp naming them all by absolute path.
// gldexample --default-icon FILE: writes the program's default project icon.

#include <QImage>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "FilePaths.h"
#include "IconFile.h"
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

int WriteExample(const std::string& folder_argument) {
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
        files.push_back(path);
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
    document.Icon = icon;
    document.InstallMode = 1;
    document.ReadmeFile = readme;
    document.LicenseFile = license;
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
        if (argc == 3 && std::string(argv[1]) == "--default-icon") {
            WriteIcoFile(argv[2], Sizes(&Tdm::DefaultProjectIconImage));
            return 0;
        }
        if (argc == 2 && argv[1][0] != '-') return WriteExample(argv[1]);
        std::fprintf(stderr, "usage: gldexample DIR\n       gldexample --default-icon FILE\n");
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "gldexample: %s\n", error.what());
        return 1;
    }
}
