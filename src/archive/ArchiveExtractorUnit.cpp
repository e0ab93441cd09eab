#include "ArchiveExtractorUnit.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

std::string Label(size_t index, const TArchiveEntry& e) {
    return "entry " + std::to_string(index + 1) + " ('" + PrintableName(e.stored_name) + "')";
}

// The entry's time stamp as the file's modification time; a stamp that names no real time
// leaves the time of writing.
void SetModified(int fd, uint32_t stamp) {
    const int date = int(stamp >> 16), time = int(stamp & 0xFFFF);
    std::tm local{};
    local.tm_year = (date >> 9) + 1980 - 1900;
    local.tm_mon = ((date >> 5) & 15) - 1;
    local.tm_mday = date & 31;
    local.tm_hour = time >> 11;
    local.tm_min = (time >> 5) & 63;
    local.tm_sec = (time & 31) * 2;
    local.tm_isdst = -1;
    if (local.tm_mon < 0 || local.tm_mday == 0) return;
    const time_t when = std::mktime(&local);
    if (when == time_t(-1)) return;
    const struct timespec times[2] = {{when, 0}, {when, 0}};
    ::futimens(fd, times);
}

void WriteAll(int fd, const uint8_t* data, size_t size, const std::string& name) {
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0)
            throw EExtractError("Cannot write \"" + PrintableName(name) + "\". " +
                                std::strerror(put < 0 ? errno : ENOSPC));
        data += put;
        size -= size_t(put);
    }
}

} // namespace

TArchiveExtractor::TArchiveExtractor(TArchiveReader& reader, const std::string& folder)
    : reader(reader), folder(folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    dir_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd < 0)
        throw EExtractError("Cannot create the folder \"" + PrintableName(folder) + "\". " +
                            (error ? error.message() : std::string(std::strerror(errno))));
}

TArchiveExtractor::~TArchiveExtractor() {
    if (dir_fd >= 0) ::close(dir_fd);
}

std::string TArchiveExtractor::UsableName(const TArchiveEntry& entry, std::string* why) {
    auto refuse = [&](const char* reason) {
        if (why) *why = reason;
        return std::string();
    };
    const std::string& name = entry.name_part;
    if (name.empty()) return refuse("its name is empty");
    if (name == "." || name == "..") return refuse("its name leads out of the folder");
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == '/' || c == '\\' || c == ':') return refuse("its name holds a separator");
        if (c < 0x20 || c == 0x7F) return refuse("its name holds a control character");
        // U+0080..U+009F in UTF-8: the C1 controls.
        if (c == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(name[i + 1]) < 0xA0)
            return refuse("its name holds a control character");
    }
    return name;
}

std::string TArchiveExtractor::NextCandidate(const std::string& name) {
    const std::string key = Lower(name);
    if (tried.insert(key).second) return name;
    const size_t dot = name.rfind('.');
    const bool has_ext = dot != std::string::npos && dot != 0;
    const std::string stem = has_ext ? name.substr(0, dot) : name;
    const std::string ext = has_ext ? name.substr(dot) : std::string();
    int& k = next_copy.try_emplace(key, 2).first->second;
    for (;; ++k) {
        std::string candidate = stem + " (" + std::to_string(k) + ")" + ext;
        if (tried.insert(Lower(candidate)).second) {
            ++k;
            return candidate;
        }
    }
}

int TArchiveExtractor::CreatePartFile(std::string& part_name) {
    static thread_local std::mt19937_64 random(
        uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (uint64_t(::getpid()) << 32));
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char text[40];
        std::snprintf(text, sizeof text, ".gld-%016llx.part",
                      static_cast<unsigned long long>(random()));
        part_name = text;
        const int fd = ::openat(dir_fd, part_name.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST)
            throw EExtractError("Cannot create a file in \"" + PrintableName(folder) + "\". " +
                                std::strerror(errno));
    }
    throw EExtractError("Cannot create a file in \"" + PrintableName(folder) +
                        "\": every name tried is taken.");
}

bool TArchiveExtractor::MoveIfFree(const std::string& part_name, const std::string& candidate) {
    if (::renameat2(dir_fd, part_name.c_str(), dir_fd, candidate.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EEXIST) return false;
    if (errno != EINVAL && errno != ENOSYS) throw std::system_error(errno, std::generic_category());
    // A file system without the no-replace move: a hard link is just as exclusive.
    if (::linkat(dir_fd, part_name.c_str(), dir_fd, candidate.c_str(), 0) == 0) {
        ::unlinkat(dir_fd, part_name.c_str(), 0);
        return true;
    }
    if (errno == EEXIST) return false;
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOTSUP)
        throw std::system_error(errno, std::generic_category());
    // Neither (FAT and the like): look first. Such file systems know no links, and what is
    // there is checked right before the move.
    struct stat st {};
    if (::fstatat(dir_fd, candidate.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return false;
    if (::renameat(dir_fd, part_name.c_str(), dir_fd, candidate.c_str()) == 0) return true;
    throw std::system_error(errno, std::generic_category());
}

TExtractedFile TArchiveExtractor::ExtractEntry(size_t index) {
    const TArchiveEntry& e = reader.Entries().at(index);
    std::string why;
    const std::string name = UsableName(e, &why);
    if (name.empty())
        throw EExtractError(Label(index, e) + " has no usable file name (" + why + "); skipped.");
    if (cancel && cancel->load()) throw EExtractCancelled();
    // Taken before anything is written: an entry that fails keeps its name from the next one
    // of the same name, so every entry gets the same name whatever happens to the others.
    std::string candidate = NextCandidate(name);

    std::string part_name;
    int fd = CreatePartFile(part_name);
    try {
        int64_t done = 0;
        reader.ExtractEntry(index, [&](const uint8_t* data, size_t size) {
            if (cancel && cancel->load()) throw EExtractCancelled();
            WriteAll(fd, data, size, name);
            done += int64_t(size);
            if (OnProgress) OnProgress(index, done, e.raw_size);
        });
        if (e.raw_size == 0 && OnProgress) OnProgress(index, 0, 0);
        SetModified(fd, e.time_stamp);
        const int closed = ::close(fd);
        fd = -1;
        if (closed != 0)
            throw EExtractError("Cannot write \"" + PrintableName(name) + "\". " +
                                std::strerror(errno));
        for (;; candidate = NextCandidate(name)) {
            bool moved;
            try {
                moved = MoveIfFree(part_name, candidate);
            } catch (const std::system_error& error) {
                throw EExtractError("Cannot write \"" + PrintableName(candidate) + "\". " +
                                    error.code().message());
            }
            if (moved)
                return {index, candidate, (std::filesystem::path(folder) / candidate).string()};
        }
    } catch (...) {
        if (fd >= 0) ::close(fd);
        ::unlinkat(dir_fd, part_name.c_str(), 0);
        throw;
    }
}

std::vector<TExtractedFile> TArchiveExtractor::ExtractAll(
    const std::function<void(size_t index, const std::string& message)>& on_failure) {
    std::vector<TExtractedFile> written;
    for (size_t i = 0; i < reader.Entries().size(); ++i) {
        try {
            written.push_back(ExtractEntry(i));
        } catch (const EExtractCancelled&) {
            throw;
        } catch (const std::exception& error) {
            if (on_failure) on_failure(i, error.what());
        }
    }
    return written;
}
