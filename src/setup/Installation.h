#pragma once
// Installing a screensaver and removing it again.
//
// An installation is all or nothing: every file is first written beside its place under a
// temporary name, and only when all of them are complete are they renamed into place. A
// failure or a cancel on the way removes what was written and the folders that were created,
// and raises EInstallError saying why; an installation that was there before stays as it was.
// Installing again over an earlier installation of the same project replaces it; what the
// screensaver keeps for its user (its settings) is not part of an installation and stays.
//
// Progress and steps go to an observer, possibly from a worker thread; a cancel flag is read
// between blocks.

#include "InstallLocations.h"
#include "InstallManifest.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// One file the package delivers.
struct TPackageFile {
    using TSink = std::function<void(const void* data, size_t size)>;

    std::string name; // its name in the package; for the icon, the extension is kept
    int64_t size = 0;
    // Hands the file's bytes to the sink in order; may raise (a damaged package).
    std::function<void(const TSink& sink)> produce;
};

struct TInstallRequest {
    std::string project_name;
    std::string version;
    std::string destination; // empty: the default for the scope
    std::string menu_folder; // empty: the entries stand in the menu's usual places
    TPackageFile screensaver;
    std::optional<TPackageFile> icon;
    // A program that removes the installation when started with --uninstall --manifest PATH;
    // without it there is no removal entry in the menu.
    std::optional<TPackageFile> uninstaller;
};

class IInstallObserver {
public:
    virtual ~IInstallObserver() = default;
    virtual void InstallStep(const std::string& /*text*/) {}
    virtual void InstallProgress(int64_t /*done*/, int64_t /*total*/) {}
};

struct TInstallResult {
    std::string manifest_path;
    TInstallManifest manifest;
    // Things worth telling the user that did not stop the installation.
    std::vector<std::string> notes;
};

class TInstaller {
public:
    explicit TInstaller(TInstallLocations locations);

    const TInstallLocations& Locations() const { return locations; }

    // The earlier installation of the project in this scope, if there is one.
    std::optional<TInstallManifest> Installed(const std::string& project_name) const;
    // The destination the wizard offers: the earlier installation's, else the default.
    std::string SuggestedDestination(const std::string& project_name) const;

    TInstallResult Install(const TInstallRequest& request, IInstallObserver* observer = nullptr,
                           const std::atomic<bool>* cancel = nullptr) const;

    // Removes what the manifest at manifest_path records. ~/.xscreensaver gets back the bytes
    // it had before the installation when nobody changed it since; otherwise only the entry
    // is taken out. Files that are already gone are no error. When something cannot be
    // removed, the manifest keeps what is left and EInstallError says what stood in the way.
    void Uninstall(const std::string& manifest_path, IInstallObserver* observer = nullptr) const;

private:
    TInstallLocations locations;
};

// The name the menu shows for the project: its name as UTF-8 without control characters.
std::string DisplayNameOf(const std::string& project_name);

// Writes content to path through a new file beside it renamed into place, keeping the old
// file's permission bits and owner; a link is written through to its target. Raises
// EInstallError.
void ReplaceFileContent(const std::string& path, const std::string& content);
