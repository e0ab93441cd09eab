#include "Installation.h"

#include "DesktopEntry.h"
#include "FilePaths.h"
#include "InstallErrors.h"
#include "XScreenSaverPrograms.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utility>

namespace {

const int64_t kBlockSlack = 4096; // a file takes whole blocks on the disk

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

std::string Parent(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

// "/a//b/./c/" as "/a/b/c"; ".." parts are kept out by the callers.
std::string CleanPath(const std::string& path) {
    std::string out;
    size_t i = 0;
    while (i < path.size()) {
        const size_t next = std::min(path.find('/', i), path.size());
        const std::string part = path.substr(i, next - i);
        if (!part.empty() && part != ".") out += "/" + part;
        i = next + 1;
    }
    return out.empty() ? "/" : out;
}

bool Exists(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

bool ReadWholeFile(const std::string& path, std::string& content) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    content.clear();
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        content.append(buffer, n);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

// Writes all of data to fd; false with errno set when the disk refuses.
bool WriteAll(int fd, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

std::string MegabytesText(int64_t bytes) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

// One file of the installation on its way into place.
struct TStagedFile {
    std::string target;
    std::string temp;   // written, complete, waiting for the rename
    std::string backup; // the earlier file, moved aside while the new one goes in
    bool committed = false;
};

// What an installation has done so far, undone in reverse unless it is kept.
class TInstallTransaction {
public:
    ~TInstallTransaction() {
        if (!kept) RollBack();
    }

    // Creates the folder and the missing folders above it, remembering those it made.
    void MakeFolder(const std::string& folder, bool system) {
        std::vector<std::string> missing;
        for (std::string at = folder; !at.empty() && at != "/" && !Exists(at); at = Parent(at))
            missing.push_back(at);
        for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
            if (::mkdir(it->c_str(), 0755) != 0 && errno != EEXIST)
                throw EInstallError(FolderCreateErrorMessage(*it, errno));
            created_folders.push_back(*it);
            // Every user must be able to reach what is installed for every user, whatever
            // the administrator's umask.
            if (system) ::chmod(it->c_str(), 0755);
        }
        struct stat info;
        if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            throw EInstallError(FolderCreateErrorMessage(folder, errno ? errno : ENOTDIR));
    }

    // Writes a new file beside target through write_body; it goes into place at Commit.
    void Stage(const std::string& target, unsigned mode, bool exact_mode,
               const std::function<void(int fd)>& write_body) {
        TStagedFile staged;
        staged.target = target;
        const int fd = CreateFileBeside(target, staged.temp, mode);
        if (fd < 0) throw EInstallError(FileWriteErrorMessage(target, errno));
        files.push_back(staged);
        try {
            write_body(fd);
            if (exact_mode && ::fchmod(fd, mode) != 0)
                throw EInstallError(FileWriteErrorMessage(target, errno));
            // The rename must not put in place a file whose bytes are still on their way.
            if (::fsync(fd) != 0) throw EInstallError(FileWriteErrorMessage(target, errno));
        } catch (...) {
            ::close(fd);
            throw;
        }
        if (::close(fd) != 0) throw EInstallError(FileWriteErrorMessage(target, errno));
    }

    // Moves every staged file into place; the earlier files wait aside until Keep.
    void Commit() {
        for (TStagedFile& staged : files) {
            if (Exists(staged.target)) {
                const int fd = CreateFileBeside(staged.target, staged.backup, 0600);
                if (fd < 0) throw EInstallError(FileWriteErrorMessage(staged.target, errno));
                ::close(fd);
                if (::rename(staged.target.c_str(), staged.backup.c_str()) != 0) {
                    const int error = errno;
                    ::unlink(staged.backup.c_str());
                    staged.backup.clear();
                    throw EInstallError(FileWriteErrorMessage(staged.target, error));
                }
            }
            if (::rename(staged.temp.c_str(), staged.target.c_str()) != 0)
                throw EInstallError(FileWriteErrorMessage(staged.target, errno));
            staged.committed = true;
        }
    }

    // The installation stands: the earlier files go for good.
    void Keep() {
        kept = true;
        for (const TStagedFile& staged : files)
            if (!staged.backup.empty()) ::unlink(staged.backup.c_str());
    }

    const std::vector<std::string>& CreatedFolders() const { return created_folders; }

private:
    void RollBack() {
        for (auto it = files.rbegin(); it != files.rend(); ++it) {
            if (it->committed)
                ::unlink(it->target.c_str());
            else
                ::unlink(it->temp.c_str());
            if (!it->backup.empty()) ::rename(it->backup.c_str(), it->target.c_str());
        }
        for (auto it = created_folders.rbegin(); it != created_folders.rend(); ++it)
            ::rmdir(it->c_str());
    }

    std::vector<TStagedFile> files;
    std::vector<std::string> created_folders;
    bool kept = false;
};

void CheckCancel(const std::atomic<bool>* cancel) {
    if (cancel && cancel->load()) throw EInstallCancelled();
}

// Free bytes for an unprivileged writer on the file system that holds path (or would hold
// it: the nearest folder above it that exists).
bool FreeSpace(const std::string& path, dev_t& device, int64_t& free_bytes) {
    std::string at = path;
    struct stat info;
    while (::stat(at.c_str(), &info) != 0) {
        if (at == "/" || at.empty()) return false;
        at = Parent(at);
    }
    struct statvfs fs;
    if (::statvfs(at.c_str(), &fs) != 0) return false;
    device = info.st_dev;
    free_bytes = static_cast<int64_t>(fs.f_bavail) * static_cast<int64_t>(fs.f_frsize);
    return true;
}

std::string XScreenSaverUndone(const std::string& content, const TXScreenSaverEdit& edit) {
    if (content.size() == edit.size_after && ContentHash(content) == edit.hash_after &&
        edit.offset + edit.inserted.size() <= content.size() &&
        content.compare(edit.offset, edit.inserted.size(), edit.inserted) == 0)
        return content.substr(0, edit.offset) + content.substr(edit.offset + edit.inserted.size());
    if (std::optional<std::string> without = XScreenSaverWithout(content, edit.command))
        return *without;
    return content;
}

std::string BaseName(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

} // namespace

std::string DisplayNameOf(const std::string& project_name) {
    std::string name;
    for (char c : TextAsUtf8(project_name))
        name += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? ' ' : c;
    if (name.find_first_not_of(' ') == std::string::npos) return "Screensaver";
    return name;
}

void ReplaceFileContent(const std::string& path, const std::string& content) {
    // A link stays a link: its target gets the new content.
    std::string real = path;
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
        real = resolved;
        std::free(resolved);
    }
    struct stat info;
    const bool existed = ::stat(real.c_str(), &info) == 0;
    std::string temp;
    const int fd = CreateFileBeside(real, temp, existed ? (info.st_mode & 07777) : 0644);
    if (fd < 0) throw EInstallError(FileWriteErrorMessage(path, errno));
    int error = 0;
    if (!WriteAll(fd, content.data(), content.size())) error = errno;
    if (!error && existed) {
        if (::fchmod(fd, info.st_mode & 07777) != 0) error = errno;
        // An administrator editing another user's file must not take it over.
        if (!error && ::geteuid() == 0 && ::fchown(fd, info.st_uid, info.st_gid) != 0)
            error = errno;
    }
    if (!error && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && !error) error = errno;
    if (!error && ::rename(temp.c_str(), real.c_str()) != 0) error = errno;
    if (error) {
        ::unlink(temp.c_str());
        throw EInstallError(FileWriteErrorMessage(path, error));
    }
}

TInstaller::TInstaller(TInstallLocations locations) : locations(std::move(locations)) {}

std::optional<TInstallManifest> TInstaller::Installed(const std::string& project_name) const {
    std::string text;
    if (!ReadWholeFile(locations.ManifestPath(project_name), text)) return std::nullopt;
    return TInstallManifest::Parse(text);
}

std::string TInstaller::SuggestedDestination(const std::string& project_name) const {
    try {
        if (std::optional<TInstallManifest> earlier = Installed(project_name))
            if (!earlier->destination.empty()) return earlier->destination;
    } catch (const EInstallError&) {
    }
    return locations.DefaultDestination(project_name);
}

TInstallResult TInstaller::Install(const TInstallRequest& request, IInstallObserver* observer,
                                   const std::atomic<bool>* cancel) const {
    IInstallObserver quiet;
    IInstallObserver& report = observer ? *observer : quiet;
    const bool system = locations.Scope() == TInstallScope::System;
    const std::string file_name = FileNameOf(request.project_name);
    const std::string display_name = DisplayNameOf(request.project_name);
    const std::string id = "glimmerdrome-" + DesktopIdOf(display_name);

    std::string destination = request.destination.empty()
                                  ? locations.DefaultDestination(request.project_name)
                                  : request.destination;
    if (destination[0] != '/')
        throw EInstallError("The destination folder \"" + destination +
                            "\" is not a full path: choose a folder starting with \"/\".");
    if (("/" + destination + "/").find("/../") != std::string::npos)
        throw EInstallError("The destination folder \"" + destination +
                            "\" must not contain \"..\".");
    destination = CleanPath(destination);

    // An earlier installation of the same project is replaced; a damaged record of one is
    // treated as no installation, so that installing again repairs it.
    std::optional<TInstallManifest> earlier;
    try {
        earlier = Installed(request.project_name);
    } catch (const EInstallError&) {
    }
    std::set<std::string> earlier_files;
    if (earlier) earlier_files.insert(earlier->files.begin(), earlier->files.end());

    // What goes where.
    struct TPlannedFile {
        std::string target;
        unsigned mode;
        const TPackageFile* package = nullptr;
        std::string text;
    };
    std::vector<TPlannedFile> planned;
    const std::string screensaver = Join(destination, file_name + ".scr");
    planned.push_back({screensaver, 0755, &request.screensaver, {}});
    std::string icon;
    if (request.icon) {
        std::string extension;
        const size_t dot = request.icon->name.find_last_of('.');
        if (dot != std::string::npos && request.icon->name.find('/', dot) == std::string::npos)
            extension = request.icon->name.substr(dot);
        icon = Join(destination, file_name + extension);
        planned.push_back({icon, 0644, &*request.icon, {}});
    }
    const std::string manifest_path = locations.ManifestPath(request.project_name);
    std::string uninstaller;
    if (request.uninstaller) {
        uninstaller = Join(destination, "uninstall");
        planned.push_back({uninstaller, 0755, &*request.uninstaller, {}});
    }

    const std::string applications = locations.ApplicationsFolder();
    std::vector<std::string> desktop_ids;
    auto add_entry = [&](const std::string& suffix, TDesktopEntry entry) {
        entry.icon = icon;
        const std::string desktop_id = id + suffix + ".desktop";
        desktop_ids.push_back(desktop_id);
        planned.push_back({Join(applications, desktop_id), 0644, nullptr, entry.Text()});
    };
    add_entry("", {display_name,
                   "Show the " + display_name + " screensaver",
                   {screensaver},
                   {},
                   "Settings;DesktopSettings;"});
    add_entry("-settings", {display_name + " Settings",
                            "Change how " + display_name + " plays",
                            {screensaver, "--config"},
                            {},
                            "Settings;DesktopSettings;"});
    if (!uninstaller.empty())
        add_entry("-uninstall", {"Uninstall " + display_name,
                                 "Remove " + display_name + " from this computer",
                                 {uninstaller, "--uninstall", "--manifest", manifest_path},
                                 {},
                                 "Settings;PackageManager;"});
    std::string menu_name;
    for (char c : DisplayNameOf(request.menu_folder.empty() ? " " : request.menu_folder))
        menu_name += c == '/' ? '_' : c;
    if (request.menu_folder.find_first_not_of(' ') != std::string::npos) {
        const std::string directory_id = id + ".directory";
        planned.push_back({Join(locations.DirectoriesFolder(), directory_id), 0644, nullptr,
                           MenuDirectoryText(menu_name, icon)});
        planned.push_back({Join(locations.MenusFolder(), id + ".menu"), 0644, nullptr,
                           MenuMergeText(menu_name, directory_id, desktop_ids)});
    } else {
        menu_name.clear();
    }

    // Another program's file (or one left by a lost installation) is not ours to replace.
    for (const TPlannedFile& file : planned)
        if (Exists(file.target) && !earlier_files.count(file.target))
            throw EInstallError("Cannot install " + display_name + ": \"" + file.target +
                                "\" already exists and is not part of an earlier installation.");

    // Enough room for everything before anything is written.
    int64_t total = 0;
    std::map<dev_t, std::pair<std::string, int64_t>> needed;
    std::map<dev_t, int64_t> available;
    for (const TPlannedFile& file : planned) {
        const int64_t size =
            file.package ? file.package->size : static_cast<int64_t>(file.text.size());
        total += size;
        dev_t device;
        int64_t free_bytes;
        if (!FreeSpace(Parent(file.target), device, free_bytes)) continue;
        auto& need = needed[device];
        if (need.first.empty()) need.first = Parent(file.target);
        need.second += size + kBlockSlack;
        available[device] = free_bytes;
    }
    for (const auto& [device, need] : needed)
        if (need.second > available[device])
            throw EInstallError("There is not enough free space for " + display_name + " in \"" +
                                need.first + "\": " + MegabytesText(need.second) + " needed, " +
                                MegabytesText(available[device]) + " available.");

    TInstallTransaction transaction;
    report.InstallStep("Copying the screensaver file...");
    int64_t done = 0;
    report.InstallProgress(0, total);
    std::set<std::string> folders_made;
    for (const TPlannedFile& file : planned) {
        CheckCancel(cancel);
        const std::string folder = Parent(file.target);
        if (folders_made.insert(folder).second) transaction.MakeFolder(folder, system);
        transaction.Stage(file.target, file.mode, system, [&](int fd) {
            if (!file.package) {
                if (!WriteAll(fd, file.text.data(), file.text.size()))
                    throw EInstallError(FileWriteErrorMessage(file.target, errno));
                done += static_cast<int64_t>(file.text.size());
                report.InstallProgress(done, total);
                return;
            }
            int64_t written = 0;
            file.package->produce([&](const void* data, size_t size) {
                CheckCancel(cancel);
                if (!WriteAll(fd, data, size))
                    throw EInstallError(FileWriteErrorMessage(file.target, errno));
                written += static_cast<int64_t>(size);
                done += static_cast<int64_t>(size);
                report.InstallProgress(done, total);
            });
            if (written != file.package->size)
                throw EInstallError("The installer's copy of \"" + file.package->name +
                                    "\" is incomplete.");
        });
    }

    TInstallManifest manifest;
    manifest.project_name = TextAsUtf8(request.project_name);
    manifest.version = TextAsUtf8(request.version);
    manifest.scope = locations.Scope();
    manifest.destination = destination;
    manifest.menu_folder = menu_name;
    for (const TPlannedFile& file : planned)
        manifest.files.push_back(file.target);

    // The user's xscreensaver list, when the user has one: the earlier entry out, ours in.
    TInstallResult result;
    const std::string xscreensaver = locations.XScreenSaverPath();
    std::string xscreensaver_before, xscreensaver_after;
    bool edit_xscreensaver = false;
    if (!xscreensaver.empty() && ReadWholeFile(xscreensaver, xscreensaver_before)) {
        std::string base = xscreensaver_before;
        if (earlier && earlier->xscreensaver)
            base = XScreenSaverUndone(base, *earlier->xscreensaver);
        const std::string command = XScreenSaverCommand(screensaver);
        if (std::optional<TTextInsertion> addition =
                XScreenSaverAddition(base, XScreenSaverEntry(display_name, command))) {
            xscreensaver_after = base;
            xscreensaver_after.insert(addition->offset, addition->text);
            manifest.xscreensaver = TXScreenSaverEdit{xscreensaver,
                                                      addition->offset,
                                                      addition->text,
                                                      xscreensaver_after.size(),
                                                      ContentHash(xscreensaver_after),
                                                      command};
        } else {
            xscreensaver_after = base;
            result.notes.push_back("\"" + xscreensaver + "\" has no list of programs; " +
                                   display_name + " was not added to it.");
        }
        edit_xscreensaver = xscreensaver_after != xscreensaver_before;
    }

    // Folders the earlier installation made stay recorded: they are ours to remove later.
    if (earlier) manifest.folders = earlier->folders;
    const std::string manifest_folder = Parent(manifest_path);
    transaction.MakeFolder(manifest_folder, system);
    for (const std::string& folder : transaction.CreatedFolders())
        if (std::find(manifest.folders.begin(), manifest.folders.end(), folder) ==
            manifest.folders.end())
            manifest.folders.push_back(folder);
    const std::string manifest_text = manifest.Text();
    transaction.Stage(manifest_path, 0644, system, [&](int fd) {
        if (!WriteAll(fd, manifest_text.data(), manifest_text.size()))
            throw EInstallError(FileWriteErrorMessage(manifest_path, errno));
    });

    CheckCancel(cancel);
    transaction.Commit();
    // The one change to a file of the user's comes last, when everything else stands.
    if (edit_xscreensaver) ReplaceFileContent(xscreensaver, xscreensaver_after);
    transaction.Keep();
    report.InstallProgress(total, total);

    // What the earlier installation had and this one has not (another folder, no menu
    // folder any more) goes, and so do the folders that leaves empty.
    if (earlier) {
        const std::set<std::string> now(manifest.files.begin(), manifest.files.end());
        for (const std::string& file : earlier->files)
            if (!now.count(file) && file != manifest_path) ::unlink(file.c_str());
        for (auto it = earlier->folders.rbegin(); it != earlier->folders.rend(); ++it)
            ::rmdir(it->c_str());
    }

    result.manifest_path = manifest_path;
    result.manifest = std::move(manifest);
    return result;
}

void TInstaller::Uninstall(const std::string& manifest_path, IInstallObserver* observer) const {
    std::string text;
    if (!ReadWholeFile(manifest_path, text))
        throw EInstallError("There is no installation to remove: \"" + manifest_path +
                            "\" cannot be read.");
    TInstallManifest manifest = TInstallManifest::Parse(text);
    if (observer) observer->InstallStep("Removing " + DisplayNameOf(manifest.project_name) + "...");

    std::vector<std::string> problems;
    if (manifest.xscreensaver) {
        std::string content;
        if (ReadWholeFile(manifest.xscreensaver->path, content)) {
            const std::string restored = XScreenSaverUndone(content, *manifest.xscreensaver);
            try {
                if (restored != content) ReplaceFileContent(manifest.xscreensaver->path, restored);
                manifest.xscreensaver.reset();
            } catch (const EInstallError& e) {
                problems.push_back(e.what());
            }
        } else {
            manifest.xscreensaver.reset();
        }
    }

    std::vector<std::string> left;
    for (const std::string& file : manifest.files) {
        if (::unlink(file.c_str()) != 0 && errno != ENOENT) {
            problems.push_back(FileRemoveErrorMessage(file, errno));
            left.push_back(file);
        }
    }
    manifest.files = left;

    if (!problems.empty()) {
        // What could not go stays recorded, so that a later attempt can finish the work.
        try {
            ReplaceFileContent(manifest_path, manifest.Text());
        } catch (const EInstallError&) {
        }
        std::string message =
            "Some parts of " + DisplayNameOf(manifest.project_name) + " could not be removed:";
        for (const std::string& problem : problems)
            message += "\n" + problem;
        throw EInstallError(message);
    }

    if (::unlink(manifest_path.c_str()) != 0 && errno != ENOENT)
        throw EInstallError(FileRemoveErrorMessage(manifest_path, errno));
    for (auto it = manifest.folders.rbegin(); it != manifest.folders.rend(); ++it)
        ::rmdir(it->c_str());
    // Our own folders go when the last installation in them is removed, whoever made them.
    const std::string installed = Parent(manifest_path);
    const std::string own = Parent(installed);
    if (BaseName(installed) == "installed" && BaseName(own) == "glimmerdrome")
        for (const std::string& folder : {installed, Join(own, "screensavers"), own})
            ::rmdir(folder.c_str());
    if (observer) observer->InstallProgress(1, 1);
}
