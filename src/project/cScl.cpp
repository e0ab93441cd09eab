#include "cScl.h"

#include <stdexcept>

#include "Utils.h"

namespace {
const char* const General = ProjectKeys::GeneralSection;
const char* const Installer = ProjectKeys::InstallerSection;
const char* const FilesSection = ProjectKeys::FilesSection;
const char* const Configuration = ProjectKeys::ConfigurationSection;
} // namespace

void TSCL::Load(const std::string& path) {
    IniFile = std::make_unique<TIniFile>(path);
    FileName = path;
    ReadAtOnce([this] { ReadFields(); });
}

void TSCL::ReadFields() {
    ProjectName = ReadText(General, "ProjectName", "Glimmerdrome");
    Version = ReadText(General, "Version", "1.00");
    Author = ReadText(General, "Author", LogonUserName());
    Email = ReadText(General, "Email", "");
    Homepage = ReadText(General, "Homepage", "");
    Icon = ReadText(General, "Icon", "");

    InstallMode = ReadNumber(Installer, "Install Mode", 0);
    ReadmeFile = ReadText(Installer, "Readme File", "");
    LicenseFile = ReadText(Installer, "License File", "");

    Files.clear();
    ReadList(FilesSection, Files);

    Interval = ReadNumber(Configuration, "Interval", 5);
    DisplayStyle = ReadNumber(Configuration, "DisplayStyle", 0);
    RunType = ReadNumber(Configuration, "RunType", 0);
    BackgroundColor = ReadText(Configuration, "Background Color", "clBlack");
    SwitchType = ReadNumber(Configuration, "SwitchType", 0);
    EnableUserModify = ReadFlag(Configuration, "EnableUserModify", true);
    Mute = ReadFlag(Configuration, "Mute", false);
}

void TSCL::Save() {
    if (!IniFile) throw std::logic_error("A project document must be loaded before it is saved");
    // One read of the file as it is now and one atomic write: a project of thousands of
    // movies saves in linear time, and a save that fails leaves the previous file whole.
    WriteAtOnce([this] { WriteFields(); });
}

void TSCL::WriteFields() {
    WriteText(General, "ProjectName", ProjectName);
    WriteText(General, "Version", Version);
    WriteText(General, "Author", Author);
    WriteText(General, "Email", Email);
    WriteText(General, "Homepage", Homepage);
    WriteText(General, "Icon", Icon);

    WriteNumber(Installer, "Install Mode", InstallMode);
    WriteText(Installer, "Readme File", ReadmeFile);
    WriteText(Installer, "License File", LicenseFile);

    WriteList(FilesSection, Files);

    // RunType before DisplayStyle: the order of keys in a new file is part of the format.
    WriteNumber(Configuration, "Interval", Interval);
    WriteNumber(Configuration, "RunType", RunType);
    WriteNumber(Configuration, "DisplayStyle", DisplayStyle);
    WriteText(Configuration, "Background Color", BackgroundColor);
    WriteNumber(Configuration, "SwitchType", SwitchType);
    WriteFlag(Configuration, "EnableUserModify", EnableUserModify);
    WriteFlag(Configuration, "Mute", Mute);
}

void TSCL::Release() {
    IniFile.reset();
    Files.clear();
    Files.shrink_to_fit();
}
