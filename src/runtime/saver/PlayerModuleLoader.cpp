#include "PlayerModuleLoader.h"

#include <QDir>
#include <QFile>
#include <QObject>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

// The module's bytes, placed into the program by PlayerModuleBlob.s.
extern "C" const unsigned char gld_player_module_start[];
extern "C" const unsigned char gld_player_module_end[];

namespace {

bool WriteAll(int fd, const unsigned char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t wrote = ::write(fd, data + done, size - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += static_cast<size_t>(wrote);
    }
    return true;
}

const unsigned char* ModuleBytes(size_t& size) {
    size = static_cast<size_t>(gld_player_module_end - gld_player_module_start);
    return gld_player_module_start;
}

// From memory: nothing is written to disk.
void* OpenFromMemory(std::string& error) {
    size_t size;
    const unsigned char* bytes = ModuleBytes(size);
    const int fd = ::memfd_create("glimmerdrome-player", MFD_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    void* handle = nullptr;
    if (WriteAll(fd, bytes, size)) {
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) error = ::dlerror();
    } else {
        error = std::strerror(errno);
    }
    ::close(fd); // the mapping keeps what the loader needs
    return handle;
}

// Where memory files may not hold programs: from a private folder of the user's (mode 0700),
// removed again at once.
void* OpenFromPrivateFolder(std::string& error) {
    QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (base.isEmpty())
        base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
               QStringLiteral("/glimmerdrome");
    QDir().mkpath(base);
    QTemporaryDir folder(base + QStringLiteral("/player-XXXXXX"));
    if (!folder.isValid()) {
        error = "no private folder for the player";
        return nullptr;
    }
    const QByteArray path = QFile::encodeName(folder.filePath(QStringLiteral("player.so")));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0700);
    if (fd < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    size_t size;
    const unsigned char* bytes = ModuleBytes(size);
    const bool written = WriteAll(fd, bytes, size);
    ::close(fd);
    if (!written) {
        error = std::strerror(errno);
        return nullptr;
    }
    void* handle = ::dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) error = ::dlerror();
    return handle;
}

// Whether the loader failed on a library the player needs rather than on the player itself:
// one that is missing, or present but unusable (cut short, not a library).
bool MissesALibrary(const std::string& error) {
    return error.find("libQt6WebEngine") != std::string::npos ||
           error.find("cannot open shared object file") != std::string::npos ||
           error.find("undefined symbol") != std::string::npos;
}

} // namespace

const TPlayerModuleApi* LoadPlayerModule(QString& why) {
    static const TPlayerModuleApi* api = nullptr;
    static QString failure;
    static bool tried = false;
    if (tried) {
        why = failure;
        return api;
    }
    tried = true;
    std::string error;
    void* handle = OpenFromMemory(error);
    if (!handle && !MissesALibrary(error)) {
        std::string second;
        handle = OpenFromPrivateFolder(second);
        if (!handle) error += "; " + second;
    }
    if (!handle) {
        if (MissesALibrary(error))
            failure = QObject::tr("This screensaver needs Qt WebEngine to play its movies, and it "
                                  "is not installed here. Install the Debian package "
                                  "libqt6webenginewidgets6 and start the screensaver again.\n(%1)")
                          .arg(QString::fromStdString(error));
        else
            failure = QObject::tr("The screensaver's player could not be loaded: %1")
                          .arg(QString::fromStdString(error));
        why = failure;
        return nullptr;
    }
    using TEntry = const TPlayerModuleApi* (*)();
    auto entry = reinterpret_cast<TEntry>(::dlsym(handle, kPlayerModuleEntry));
    const TPlayerModuleApi* found = entry ? entry() : nullptr;
    if (!found || found->abi != kPlayerModuleAbi) {
        failure = QObject::tr("The screensaver's player does not fit this screensaver.");
        why = failure;
        return nullptr;
    }
    api = found;
    return api;
}
