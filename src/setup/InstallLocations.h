#pragma once
// Where an installation puts its files, for the user who runs it or for every user.
//
// For a user everything lives under the XDG base folders of that user; for every user under
// /usr/local (data) and /etc/xdg (menus). The environment is read once into
// TInstallEnvironment, so that tests and the wizard can point an installation anywhere.

#include <string>

enum class TInstallScope { User, System };

struct TInstallEnvironment {
    std::string home;
    // $XDG_DATA_HOME and $XDG_CONFIG_HOME when they hold absolute paths, else the defaults
    // below home.
    std::string data_home;
    std::string config_home;
    std::string system_data = "/usr/local/share";
    std::string system_config = "/etc/xdg";

    // HOME (or the password database's home folder when HOME is unset) and the XDG variables.
    static TInstallEnvironment FromProcess();
    // The same rules over given values, for tests.
    static TInstallEnvironment For(const std::string& home, const std::string& xdg_data_home = {},
                                   const std::string& xdg_config_home = {});
};

class TInstallLocations {
public:
    TInstallLocations(TInstallEnvironment environment, TInstallScope scope);

    TInstallScope Scope() const { return scope; }
    const TInstallEnvironment& Environment() const { return environment; }

    // <data>/glimmerdrome/screensavers/<name>
    std::string DefaultDestination(const std::string& project_name) const;
    // <data>/applications: desktop entries.
    std::string ApplicationsFolder() const;
    // <data>/desktop-directories: the menu folder's own entry.
    std::string DirectoriesFolder() const;
    // <config>/menus/applications-merged: the menu folder's definition.
    std::string MenusFolder() const;
    // <data>/glimmerdrome/installed/<name>.manifest: found again by name, so that the installer
    // can remove or replace an installation whatever folder was chosen for it.
    std::string ManifestPath(const std::string& project_name) const;
    // The user's ~/.xscreensaver; empty for every user, whose files are not ours to change.
    std::string XScreenSaverPath() const;
    // Folders of ours: removed when they become empty, whoever created them.
    std::string OwnDataFolder() const;

private:
    std::string DataRoot() const;
    std::string ConfigRoot() const;

    TInstallEnvironment environment;
    TInstallScope scope;
};

// The text as UTF-8: kept when it already is, else read as the 8-bit code page of older
// project files (Windows-1252).
std::string TextAsUtf8(const std::string& text);

// The project name as one file-name part: UTF-8, without separators or control characters,
// never "", "." or "..".
std::string FileNameOf(const std::string& project_name);

// A desktop-file id part for the project: lower-case ASCII letters, digits and "-".
std::string DesktopIdOf(const std::string& project_name);
