#include "InstallerPackage.h"

#include "ArchiveReaderUnit.h"
#include "FileErrors.h"
#include "FilePaths.h"
#include "RuntimeArchive.h"
#include "cScl.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace {

const size_t kTextLimit = size_t(16) << 20;

std::string Bytes(const std::vector<uint8_t>& data) {
    return std::string(data.begin(), data.end());
}

struct TPackedProject {
    std::string name, version, icon, readme, licence;
    int install_mode = 0;
};

// The project document reads files only; the packed copy goes into a private folder of its
// own for the moment it takes.
TPackedProject LoadProject(const std::string& bytes) {
    std::string folder = TempFolder();
    if (folder.empty()) folder = "/tmp/";
    std::string pattern = folder + "gldsetup-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error(FileCreateErrorMessage(pattern, errno));
    const std::string path = pattern + "/project.gldp";
    struct TCleanUp {
        const std::string& folder;
        const std::string& path;
        ~TCleanUp() {
            ::unlink(path.c_str());
            ::rmdir(folder.c_str());
        }
    } clean_up{pattern, path};
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) throw std::runtime_error(FileCreateErrorMessage(path, errno));
    const bool written = ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    if (::close(fd) != 0 || !written)
        throw std::runtime_error(FileCreateErrorMessage(path, errno ? errno : EIO));
    TSCL project;
    project.Load(path);
    return {project.ProjectName, project.Version,     project.Icon,
            project.ReadmeFile,  project.LicenseFile, project.InstallMode};
}

} // namespace

TInstallerPackage::TInstallerPackage(TRuntimeArchive& package) : archive(&package) {
    const std::optional<size_t> project_entry = archive->FindLastWithExtension(".gldp");
    if (!project_entry) throw EArchiveDamaged("This installer carries no project file.");
    const TPackedProject project = LoadProject(Bytes(archive->Read(*project_entry, kTextLimit)));
    project_name = project.name;
    version = project.version;
    install_mode = project.install_mode;

    std::optional<size_t> found = archive->Find(project.name + ".scr");
    if (!found) found = archive->FindLastWithExtension(".scr");
    if (!found) throw EArchiveDamaged("This installer carries no screensaver.");
    screensaver = *found;

    // Icon, readme and licence follow the project file in this order, each only when it was
    // there at build time.
    size_t from = *project_entry + 1;
    auto take = [&](const std::string& path, std::optional<std::string>& into) {
        if (path.find_first_not_of(' ') == std::string::npos) return std::optional<size_t>();
        const std::optional<size_t> index = archive->Find(path, from);
        if (index) {
            into = Bytes(archive->Read(*index, kTextLimit));
            from = *index + 1;
        }
        return index;
    };
    if (const std::optional<size_t> index = take(project.icon, icon))
        icon_name = archive->Entries()[*index].name_part;
    take(project.readme, readme);
    take(project.licence, licence);
}

void TInstallerPackage::Check() {
    // The whole package is expanded once to check it, and the screensaver again to copy it:
    // both on every core.
    archive->Reader().SetThreads(0);
    archive->Reader().TestAll();
}

TInstallRequest TInstallerPackage::Request(const std::optional<TPackageFile>& icon_file) const {
    TInstallRequest request;
    request.project_name = project_name;
    request.version = version;
    const TArchiveEntry& entry = archive->Entries()[screensaver];
    request.screensaver.name = entry.name_part;
    request.screensaver.size = entry.raw_size;
    TRuntimeArchive* source = archive;
    const size_t index = screensaver;
    request.screensaver.produce = [source, index](const TPackageFile::TSink& sink) {
        source->Reader().ExtractEntry(index,
                                      [&](const uint8_t* data, size_t size) { sink(data, size); });
    };
    request.icon = icon_file;

    // The installer's own program part, without the package behind it, removes the
    // installation later: it needs nothing but the installation's record.
    TPackageFile uninstaller;
    uninstaller.name = "uninstall";
    uninstaller.size = archive->Reader().ArchiveStart();
    const std::string path = archive->Path();
    const int64_t size = uninstaller.size;
    uninstaller.produce = [path, size](const TPackageFile::TSink& sink) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (!file) throw EFOpenError(FileOpenErrorMessage(path, errno));
        std::vector<char> buffer(1 << 16);
        int64_t left = size;
        while (left > 0) {
            const size_t want = static_cast<size_t>(std::min<int64_t>(left, buffer.size()));
            const size_t got = std::fread(buffer.data(), 1, want, file);
            if (got == 0) break;
            sink(buffer.data(), got);
            left -= static_cast<int64_t>(got);
        }
        std::fclose(file);
        if (left != 0) throw EFOpenError(FileOpenErrorMessage(path, EIO));
    };
    request.uninstaller = uninstaller;
    return request;
}
