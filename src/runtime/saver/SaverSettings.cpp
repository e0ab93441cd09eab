#include "SaverSettings.h"

#include "Colors.h"
#include "FilePaths.h"
#include "cIniFather.h"
#include "cScl.h"

#include <algorithm>
#include <cstdlib>

namespace {

const char* const kSection = "Configuration";

// The end user's file, read with the project file's value forms.
class TUserFile : public TIniFather {
public:
    explicit TUserFile(const std::string& path) {
        IniFile = std::make_unique<TIniFile>(path);
        FileName = path;
    }
};

TSaverSettings Normalised(TSaverSettings s) {
    if (s.displayStyle != 0 && s.displayStyle != 1) s.displayStyle = 0;
    if (s.runType != 0 && s.runType != 1) s.runType = 0;
    if (s.switchType != 0 && s.switchType != 1) s.switchType = 0;
    s.interval = std::clamp(s.interval, 1, 5000000);
    return s;
}

uint32_t ColourOr(const std::string& text, uint32_t fallback) {
    uint32_t colour;
    return StringToColor(text, colour) ? colour : fallback;
}

std::string ConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/') return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/") + "/.config";
}

} // namespace

TSaverSettings ProjectSaverSettings(const TSCL& project) {
    TSaverSettings s;
    s.backgroundColor = ColourOr(project.BackgroundColor, 0);
    s.displayStyle = project.DisplayStyle;
    s.runType = project.RunType;
    s.switchType = project.SwitchType;
    s.interval = project.Interval;
    s.mute = project.Mute;
    return Normalised(s);
}

std::string UserSettingsPath(const std::string& project_name) {
    std::string name;
    for (char c : project_name)
        name += (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) ? '_' : c;
    if (name.empty() || name == "." || name == "..") name = "Glimmerdrome" + name;
    return JoinPath(JoinPath(ConfigFolder(), "glimmerdrome/screensavers"), name + ".ini");
}

TSaverSettings WithUserSettings(const TSaverSettings& defaults, const std::string& path) {
    const TUserFile file(path);
    TSaverSettings s = defaults;
    s.backgroundColor = ColourOr(
        file.ReadText(kSection, "Background Color", ColorToString(defaults.backgroundColor)),
        defaults.backgroundColor);
    s.displayStyle = file.ReadNumber(kSection, "DisplayStyle", defaults.displayStyle);
    s.runType = file.ReadNumber(kSection, "RunType", defaults.runType);
    s.switchType = file.ReadNumber(kSection, "SwitchType", defaults.switchType);
    s.interval = file.ReadNumber(kSection, "Interval", defaults.interval);
    s.mute = file.ReadFlag(kSection, "Mute", defaults.mute);
    return Normalised(s);
}

void StoreUserSettings(const TSaverSettings& settings, const std::string& path) {
    ForceDirectories(ExtractFileDir(path));
    TUserFile file(path);
    const TSaverSettings s = Normalised(settings);
    file.IniFile->WriteStrings(kSection, {{"Interval", std::to_string(s.interval)},
                                          {"RunType", std::to_string(s.runType)},
                                          {"DisplayStyle", std::to_string(s.displayStyle)},
                                          {"Background Color", ColorToString(s.backgroundColor)},
                                          {"SwitchType", std::to_string(s.switchType)},
                                          {"Mute", s.mute ? "1" : "0"}});
}
