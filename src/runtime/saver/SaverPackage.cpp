#include "SaverPackage.h"

#include "FilePaths.h"
#include "RuntimeArchive.h"
#include "cScl.h"

#include <cerrno>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// The project file in memory, readable by path: the project document reads files by name,
// and a memory file keeps the screensaver from writing anything to disk to read its settings.
class TMemoryFile {
public:
    explicit TMemoryFile(const std::vector<uint8_t>& bytes)
        : fd(::memfd_create("glimmerdrome-project", MFD_CLOEXEC)) {
        if (fd < 0)
            throw ESaverPackage(std::string("Cannot read the screensaver's settings: ") +
                                std::strerror(errno));
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) {
                const int error = errno;
                ::close(fd);
                throw ESaverPackage(std::string("Cannot read the screensaver's settings: ") +
                                    std::strerror(error));
            }
            done += static_cast<size_t>(wrote);
        }
    }
    ~TMemoryFile() { ::close(fd); }
    TMemoryFile(const TMemoryFile&) = delete;
    TMemoryFile& operator=(const TMemoryFile&) = delete;

    std::string Path() const { return "/proc/self/fd/" + std::to_string(fd); }

private:
    int fd;
};

} // namespace

TSaverPackage ReadSaverPackage(TRuntimeArchive& archive) {
    const auto project_entry = archive.FindLastWithExtension(ProjectFileExtension);
    if (!project_entry)
        throw ESaverPackage("This screensaver is damaged: its project file is missing.");
    TSCL project;
    {
        const TMemoryFile file(archive.Read(*project_entry, 16u << 20));
        project.Load(file.Path());
    }
    TSaverPackage package;
    package.projectName = project.ProjectName;
    package.version = project.Version;
    package.author = project.Author;
    package.email = project.Email;
    package.homepage = project.Homepage;
    package.enableUserModify = project.EnableUserModify;
    package.settings = ProjectSaverSettings(project);
    if (!project.Icon.empty()) {
        // The icon is packed after the movies and before the project file.
        if (const auto icon = archive.Find(project.Icon); icon && *icon != *project_entry)
            package.icon = archive.Read(*icon, 16u << 20);
    }
    const std::vector<std::string> files = project.Files;
    project.Release();
    if (files.empty()) throw ESaverPackage("This screensaver holds no Flash movie.");
    size_t from = 0;
    for (const std::string& path : files) {
        TSaverMovie movie;
        movie.name = ExtractFileName(path);
        const auto index = archive.Find(path, from);
        if (!index || *index == *project_entry)
            throw ESaverPackage("This screensaver is damaged: the movie \"" + movie.name +
                                "\" is missing from it.");
        movie.entry = *index;
        from = *index + 1;
        package.movies.push_back(std::move(movie));
    }
    return package;
}

TSaverSettings SettingsToPlay(const TSaverPackage& package) {
    if (!package.enableUserModify) return package.settings;
    return WithUserSettings(package.settings, UserSettingsPath(package.projectName));
}

void ReadSaverMovies(TRuntimeArchive& archive, TSaverPackage& package) {
    for (TSaverMovie& movie : package.movies) {
        movie.bytes = archive.Read(movie.entry);
        const auto facts = ReadMovieFacts(movie.bytes);
        if (!facts)
            throw ESaverPackage("The file \"" + movie.name +
                                "\" in this screensaver is no Flash movie.");
        movie.facts = *facts;
    }
}
