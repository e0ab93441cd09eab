#include "FilePacker.h"

#include "FileErrors.h"
#include "FilePaths.h"
#include "FileWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

struct TCloseFile {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using TFileHandle = std::unique_ptr<std::FILE, TCloseFile>;

TFileHandle OpenForReading(const std::string& path) {
    TFileHandle f(std::fopen(path.c_str(), "rb"));
    if (!f) throw EFOpenError(FileOpenErrorMessage(path, errno));
    return f;
}

// Streams in one buffer rather than holding both inputs whole: the result is the same bytes,
// and an installer holding large movies needs no more memory than a small one.
void CopyAll(std::FILE* from, const std::string& from_path, int to, const std::string& to_path,
             std::vector<char>& buffer) {
    for (;;) {
        size_t got = std::fread(buffer.data(), 1, buffer.size(), from);
        if (got > 0 && !WriteFully(to, buffer.data(), got))
            throw EInOutError("Cannot write \"" + to_path + "\". " + std::strerror(errno));
        if (got < buffer.size()) {
            if (std::ferror(from))
                throw EInOutError("Cannot read \"" + from_path + "\". " + std::strerror(errno));
            return;
        }
    }
}

} // namespace

void TFilePackerExt::Merge(const std::string& stub_path, const std::string& archive_path,
                           const std::string& output_path) {
    TFileHandle stub = OpenForReading(stub_path);
    TFileHandle archive = OpenForReading(archive_path);

    // The output is a program the end user runs: it is created executable (0755 less the
    // umask, which the system applies), and renaming it over an earlier output keeps that.
    std::string temp_path;
    const int fd = CreateFileBeside(output_path, temp_path, 0755);
    if (fd < 0) throw EFCreateError(FileCreateErrorMessage(output_path, errno));
    bool fd_open = true;
    try {
        std::vector<char> buffer(1 << 20);
        CopyAll(stub.get(), stub_path, fd, output_path, buffer);
        CopyAll(archive.get(), archive_path, fd, output_path, buffer);
        if (::fsync(fd) != 0)
            throw EInOutError("Cannot write \"" + output_path + "\". " + std::strerror(errno));
        const int closed = ::close(fd);
        fd_open = false;
        if (closed != 0)
            throw EInOutError("Cannot write \"" + output_path + "\". " + std::strerror(errno));
        std::error_code ec;
        std::filesystem::rename(temp_path, output_path, ec);
        if (ec) throw EFCreateError("Cannot create file \"" + output_path + "\". " + ec.message());
    } catch (...) {
        if (fd_open) ::close(fd);
        std::remove(temp_path.c_str());
        throw;
    }
}
