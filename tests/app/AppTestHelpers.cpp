#include "AppTestHelpers.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTreeWidget>
#include <fstream>
#include <sstream>

#include "Config.h"
#include "FilePaths.h"
#include "IconFile.h"
#include "dm.h"

TAppSandbox::TAppSandbox() {
    QDir(folder.path()).mkpath("program");
    WriteIcoFile(DefaultIcon(),
                 {Tdm::DefaultProjectIconImage(16), Tdm::DefaultProjectIconImage(32)});
    boxesScope = std::make_unique<TMessageBoxesScope>(boxes);
    dialogsScope = std::make_unique<TFileDialogsScope>(dialogs);
}

TAppSandbox::~TAppSandbox() {
    dialogsScope.reset();
    boxesScope.reset();
}

std::unique_ptr<TfrmMain> TAppSandbox::MakeMain(std::optional<TResourceLocator> resources) {
    auto window =
        std::make_unique<TfrmMain>(resources.value_or(TResourceLocator(ProgramDir())),
                                   std::make_unique<TConfig>(ProgramDir(), Path("config-home")));
    window->Activated = true;
    return window;
}

std::string TAppSandbox::Path(const std::string& name) const {
    return (folder.path() + "/" + QString::fromStdString(name)).toStdString();
}

std::string TAppSandbox::DefaultIcon() const {
    return ProgramDir() + "/defaultProjectIcon.ico";
}
std::string TAppSandbox::SettingsFile() const {
    return ProgramDir() + "/configuration.ini";
}

std::string TAppSandbox::MakeFile(const std::string& name, int size) {
    const std::string path = Path(name);
    std::ofstream out(path, std::ios::binary);
    out << std::string(static_cast<size_t>(size), 'x');
    return path;
}

std::string TAppSandbox::MakeIcon(const std::string& name) {
    const std::string path = Path(name);
    WriteIcoFile(path, {Tdm::ProgramIconImage(32)});
    return path;
}

std::string TAppSandbox::MakeGif(const std::string& name) {
    static const unsigned char gif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01,
                                        0x00, 0x80, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00,
                                        0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01,
                                        0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
    const std::string path = Path(name);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(gif), sizeof gif);
    return path;
}

std::string TAppSandbox::MakeProject(const std::string& name,
                                     const std::vector<std::string>& lines) {
    const std::string path = Path(name);
    std::ofstream out(path, std::ios::binary);
    for (const auto& line : lines)
        out << line << "\r\n";
    return path;
}

std::string TAppSandbox::ReadText(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

QString TitleOf(QWidget& window) {
    return window.windowTitle();
}

QString ModifiedPane(TfrmMain& window) {
    return Control<QLabel>(window, "ssModified")->text();
}

QStringList ListedNames(TfrmMain& window) {
    QStringList names;
    auto* list = Control<QTreeWidget>(window, "lsFiles");
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        names << list->topLevelItem(i)->text(1);
    return names;
}
