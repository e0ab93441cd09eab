#include "ArchiveManagerUnit.h"

#include "BlockPoolsUnit.h"
#include "FileErrors.h"
#include "FileStream.h"
#include "TempNames.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int32_t COPY_CHUNK = 262144;

// The attribute bits the classic directory search reports.
constexpr uint32_t ATTR_READONLY = 0x01;
constexpr uint32_t ATTR_HIDDEN = 0x02;
constexpr uint32_t ATTR_DIRECTORY = 0x10;
constexpr uint32_t ATTR_ARCHIVE = 0x20;

struct TSearchResult {
    uint32_t time_stamp = 0;
    uint32_t attributes = 0;
};

TSearchResult SearchEntry(const std::string& entry, const struct stat& st) {
    TSearchResult r;
    std::tm local{};
    time_t mtime = st.st_mtime;
    localtime_r(&mtime, &local);
    r.time_stamp = PackDosTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                               local.tm_min, local.tm_sec);
    if (S_ISDIR(st.st_mode)) {
        r.attributes |= ATTR_DIRECTORY;
    } else {
        r.attributes |= ATTR_ARCHIVE;
    }
    if ((st.st_mode & 0222) == 0) r.attributes |= ATTR_READONLY;
    std::string folder, name;
    SplitStoredName(entry, folder, name);
    if (!name.empty() && name[0] == '.') r.attributes |= ATTR_HIDDEN;
    return r;
}

// Where a listed entry is read from: relative entries are taken from folder, when one is
// given, so that nothing depends on (or changes) the process's current directory.
std::string SourcePath(const std::string& folder, const std::string& entry) {
    if (folder.empty() || entry.empty() || entry[0] == '/') return entry;
    return (fs::path(folder) / entry).string();
}

int64_t DirectoryBytes(TCentralDir& dir) {
    int64_t total = CENTRAL_END_SIZE;
    for (int i = 0; i < dir.Count(); ++i)
        total += CENTRAL_FILE_FIXED_SIZE + 1 + int64_t(dir[i]->StoredName().size());
    return total;
}

} // namespace

// Blocks on their way from the files into the archive. Reading runs ahead while the encoders
// work; the writing of each block, and every log line and report queued behind it, happens in
// the order of the files and their blocks, once everything before it is written. So the
// archive and everything a caller sees are the same as from one encoder.
class TBlockLine {
public:
    explicit TBlockLine(int threads) : pool(threads) {}

    // Runs action now, or after the blocks in flight are written.
    void Then(std::function<void()> action) {
        if (actions.empty())
            action();
        else
            actions.push_back(std::move(action));
    }
    // The slot for the next block's raw bytes; writes blocks until one is free.
    TBlockEncodeJob& Next() {
        while (pool.Full())
            RunOne();
        return pool.Prepare();
    }
    // Codes the block filled in Next(); write gets it, coded, in its turn.
    void Submit(std::function<void(TBlockEncodeJob&)> write) {
        pool.Submit();
        actions.push_back([this, write = std::move(write)] {
            TBlockEncodeJob& job = pool.Take();
            write(job);
            pool.Release();
        });
    }
    // Writes everything in flight.
    void Finish() {
        while (!actions.empty())
            RunOne();
    }

private:
    void RunOne() {
        std::function<void()> action = std::move(actions.front());
        actions.pop_front();
        action();
    }

    TBlockEncoderPool pool;
    std::deque<std::function<void()>> actions;
};

TArchiveManager::TArchiveManager() = default;

TArchiveManager::~TArchiveManager() = default;

void TArchiveManager::ShowStatus(const std::string& text) {
    if (!text.empty()) AddLog(text);
}

void TArchiveManager::AddLog(const std::string& text) {
    if (OnAddLog) OnAddLog(*this, "ArchiveMan: " + text);
}

void TArchiveManager::DoCentralDirChange() {
    if (OnCentralDirChange) OnCentralDirChange(*this);
}

std::string TArchiveManager::ArchivePathFor(const std::string& file_name) {
    std::string path = fs::absolute(fs::path(file_name)).lexically_normal().string();
    // Only the name part counts, split the way this system splits its own paths.
    std::string name = fs::path(path).filename().string();
    if (name.find('.') == std::string::npos) path += ".";
    if (path.back() == '.') path += "rs";
    return path;
}

void TArchiveManager::OpenArchive(const std::string& file_name, bool ask_to_create) {
    const std::string path = ArchivePathFor(file_name);
    std::unique_ptr<TArchiveFile> opened;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
        opened = std::make_unique<TArchiveFile>(path, true);
    } else {
        if (ask_to_create && observer && !observer->ConfirmCreate(path))
            throw EUserCancel("Create new archive cancelled");
        // Exclusively: a file that appeared meanwhile is somebody's, not an empty archive.
        const int fd =
            ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) throw EFCreateError(FileCreateErrorMessage(path, errno));
        try {
            opened = std::make_unique<TArchiveFile>(fd, path, false);
        } catch (...) {
            std::remove(path.c_str());
            throw;
        }
    }
    Adopt(std::move(opened), path);
}

void TArchiveManager::CreateArchive(const std::string& file_name, mode_t mode) {
    const std::string path = ArchivePathFor(file_name);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
        const int error = errno;
        if (error == EEXIST) throw EArchiveExists(FileCreateErrorMessage(path, error));
        throw EFCreateError(FileCreateErrorMessage(path, error));
    }
    std::unique_ptr<TArchiveFile> created;
    try {
        created = std::make_unique<TArchiveFile>(fd, path, false);
    } catch (...) {
        std::remove(path.c_str());
        throw;
    }
    Adopt(std::move(created), path);
}

void TArchiveManager::Adopt(std::unique_ptr<TArchiveFile> opened, const std::string& path) {
    const std::string name = fs::path(path).filename().string();
    // The previous archive is closed only now, so a refusal or a failure before leaves it open.
    if (archive) CloseArchive();
    archive = std::move(opened);
    archive_path = path;
    archive_folder = path.substr(0, path.size() - name.size());
    archive_name = name;
    replace_path = path;
    std::error_code ec;
    // A link to an archive stays a link: a new archive takes the place of its target.
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        const fs::path target = fs::canonical(path, ec);
        if (!ec) replace_path = target.string();
    }
    DoCentralDirChange();
    AddLog("Archive Opened - " + archive_path);
    AddLog("CentralDir Loaded");
}

void TArchiveManager::CloseArchive() {
    archive.reset();
    AddLog("Archive Closed - " + archive_path);
}

std::unique_ptr<TArchiveFile> TArchiveManager::CreateTempArchive() {
    // Beside the file that will be replaced, so that the move is one rename; only the owner
    // may read it until it is in place and takes the old archive's permission bits.
    const std::string folder = fs::path(replace_path).parent_path().string();
    TTempFile file = OpenUniqueTempFile(folder.empty() ? archive_folder : folder, "KELPMARSH");
    std::unique_ptr<TArchiveFile> temp;
    try {
        temp = std::make_unique<TArchiveFile>(file.fd, file.path, false);
    } catch (...) {
        std::remove(file.path.c_str());
        throw;
    }
    temp->SeekToData();
    return temp;
}

void TArchiveManager::CopyArchiveData(TArchiveFile& source, TArchiveFile& target,
                                      TCentralDir& source_dir) {
    int64_t remaining = int64_t(source_dir.GetCentralDirOffset()) - 4;
    // Both sides move unbuffered; the source's buffer would otherwise hide the file position.
    source.SmartModeOff();
    target.SmartModeOff();
    source.SeekToData();
    target.SeekToData();
    std::vector<uint8_t> buffer(COPY_CHUNK);
    while (remaining > 0) {
        int32_t count = int32_t(std::min<int64_t>(remaining, COPY_CHUNK));
        int32_t got = source.Read(buffer.data(), count);
        if (got != count)
            throw EInOutError("Cannot read the data of the archive \"" + archive_path + "\".");
        if (target.Write(buffer.data(), count) != count)
            throw EInOutError("Cannot write the temporary archive \"" + target.file_name + "\".");
        remaining -= count;
    }
    source.SmartModeOn();
    target.SmartModeOn();
}

void TArchiveManager::CompressFile(TBlockLine& line, const std::string& entry,
                                   TCentralFileHeader& header, TArchiveFile& temp,
                                   TFileStream& input) {
    const int64_t size = input.Size();
    line.Then([this, size, &header, &temp] {
        file_size = size;
        AddLog("File size = " + std::to_string(size) +
               " bytes  (Num blocks=" + std::to_string(BlocksFor(size)) + ")");
        header.data_offset = uint32_t(temp.BufferedPosition());
    });
    int64_t raw_size = 0;
    for (;;) {
        TBlockEncodeJob& job = line.Next();
        job.raw.resize(size_t(ARCHIVE_BLOCK_SIZE));
        const int32_t count = input.Read(job.raw.data(), ARCHIVE_BLOCK_SIZE);
        // A read error must not pass for the end of the file: the entry would be stored cut
        // short without a word. The blocks before it still go first, and may fail first.
        if (count < 0) {
            const int error = errno;
            line.Finish();
            throw EInOutError("Cannot read file \"" + entry + "\". " + std::strerror(error));
        }
        if (count == 0) break;
        if (raw_size + count > INT32_MAX) {
            line.Finish();
            throw EArchiveTooLarge("The file '" + entry +
                                   "' grew past 2 GiB while it was being added.");
        }
        raw_size += count;
        job.raw.resize(size_t(count));
        line.Submit([this, entry, size, count, &header, &temp](TBlockEncodeJob& coded) {
            // A coded block is never near twice its raw size; checking before writing keeps
            // every offset that reaches the disk inside the format's signed 32-bit range.
            if (int64_t(temp.BufferedPosition()) + DATA_BLOCK_HEADER_SIZE + 2 * int64_t(count) +
                    65536 >
                size_limit)
                throw EArchiveTooLarge("The archive \"" + archive_path +
                                       "\" would grow past 2 GiB, the largest size its format "
                                       "can hold.");
            temp.WriteBytes(coded.coded.data(), int32_t(coded.coded.size()));
            header.block_count += 1;
            header.compressed_size += coded.info.compressed_size;
            header.raw_size += count;
            AddLog("Block " + std::to_string(header.block_count - 1) +
                   " OK, (Raw size=" + std::to_string(count) +
                   " Compressed= " + std::to_string(coded.info.compressed_size) + ")");
            if (observer) observer->BlockDone(entry, header.raw_size, size);
        });
    }
}

int TArchiveManager::AddFiles(const std::vector<std::string>& files, const std::string& folder) {
    if (files.empty()) return 0;
    if (!archive) throw EInOutError("No archive is open.");
    if (!folder.empty() && !fs::is_directory(folder))
        throw EInOutError("Cannot read files from the folder \"" + folder +
                          "\". It does not exist.");

    TCentralDir& dir = *archive->central_dir;
    // Counted before anything is written: an archive that readers would refuse is not made.
    size_t coming = 0;
    for (const std::string& entry : files) {
        struct stat st;
        if (!entry.empty() && ::stat(SourcePath(folder, entry).c_str(), &st) == 0 &&
            !S_ISDIR(st.st_mode))
            ++coming;
    }
    if (size_t(dir.Count()) + coming > MAX_ARCHIVE_ENTRIES)
        throw EArchiveTooLarge("The archive \"" + archive_path + "\" would hold " +
                               std::to_string(size_t(dir.Count()) + coming) +
                               " entries; an archive holds at most " +
                               std::to_string(MAX_ARCHIVE_ENTRIES) + ".");

    const int old_count = dir.Count();
    const int32_t old_offset = dir.GetCentralDirOffset();
    auto temp = CreateTempArchive();
    const std::string temp_path = temp->file_name;
    int added = 0;
    // The headers of entries whose blocks are still on their way; each goes into the
    // directory once its last block is written.
    std::vector<std::unique_ptr<TCentralFileHeader>> headers;
    try {
        CopyArchiveData(*archive, *temp, dir);
        TBlockLine line(threads);
        auto skip = [&](const std::string& entry, const std::string& text,
                        const std::string& caption) {
            line.Then([this, entry, text, caption] {
                if (observer) observer->EntrySkipped({entry, text, caption});
            });
        };
        for (const std::string& entry : files) {
            const std::string source = SourcePath(folder, entry);
            // The system sees the name only up to a zero byte (so it is asked about another file,
            // which may not exist), the directory would store it whole and end the name there:
            // the entry would name another file and spoil the records after it.
            if (entry.find('\0') != std::string::npos) {
                skip(entry,
                     "Cannot add file: '" + PrintableName(entry) +
                         "'.\rIts name holds a zero byte, which an archive cannot store. It will "
                         "not be added.",
                     " Error");
                continue;
            }
            struct stat st;
            if (entry.empty() || ::stat(source.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
            line.Then([this, entry] { ShowStatus("Adding file - " + entry); });
            TSearchResult found = SearchEntry(entry, st);
            if (found.attributes & ATTR_DIRECTORY) {
                skip(entry, "Could not add: '" + entry + "'. Adding of folders is not supported.",
                     "Error");
                continue;
            }
            if (int64_t(st.st_size) > INT32_MAX) {
                skip(entry,
                     "Cannot add file: '" + entry +
                         "'.\rFiles of 2 GiB or more cannot be stored in an archive. It will not "
                         "be added.",
                     " Error");
                continue;
            }
            std::unique_ptr<TFileStream> input;
            try {
                // Pipes, sockets and devices would block or never end; they count as files
                // that cannot be opened.
                if (!S_ISREG(st.st_mode))
                    throw EFOpenError("Cannot open file \"" + entry + "\". Not a regular file");
                input = std::make_unique<TFileStream>(source, 0x20);
            } catch (const EFOpenError&) {
                skip(entry, "Cannot open file: '" + entry + "'.\rIt will not be added.", " Error");
                continue;
            }
            auto header = std::make_unique<TCentralFileHeader>();
            header->name_part = entry;
            header->time_stamp = found.time_stamp;
            header->attributes = found.attributes;
            headers.push_back(std::move(header));
            CompressFile(line, entry, *headers.back(), *temp, *input);
            line.Then([&dir, &added, &headers, k = headers.size() - 1] {
                dir.Add(headers[k].release());
                ++added;
            });
        }
        line.Finish();
        if (int64_t(temp->BufferedPosition()) + DirectoryBytes(dir) > size_limit)
            throw EArchiveTooLarge("The archive \"" + archive_path +
                                   "\" would grow past 2 GiB, the largest size its format can "
                                   "hold.");
        dir.SaveTo(*temp);
        // Raised here, a write failure still reaches the caller; the destructor could only
        // report it.
        temp->FlushBuffer();
        PutInPlace(*temp);
    } catch (...) {
        // The archive on disk is unchanged; its directory in memory must say so too, and the
        // half-built temporary archive is of no use to anyone.
        while (dir.Count() > old_count)
            dir.Delete(dir.Count() - 1);
        dir.central_dir_offset = old_offset;
        temp.reset();
        std::remove(temp_path.c_str());
        throw;
    }
    ReplaceArchive(std::move(temp));
    DoCentralDirChange();
    return added;
}

void TArchiveManager::ReadWholeArchive(const std::function<void(const uint8_t*, size_t)>& sink) {
    if (!archive) throw EInOutError("No archive is open.");
    archive->FlushBuffer();
    std::vector<uint8_t> buffer(COPY_CHUNK);
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(archive->Handle(), buffer.data(), buffer.size(), at);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0)
            throw EInOutError("Cannot read the archive \"" + archive_path + "\". " +
                              std::strerror(errno));
        if (got == 0) return;
        sink(buffer.data(), size_t(got));
        at += got;
    }
}

void TArchiveManager::MoveFileOver(const std::string& from, const std::string& to) {
    fs::rename(from, to);
}

void TArchiveManager::PutInPlace(TArchiveFile& temp) {
    // On the disk before it replaces the old archive, so that a crash right after the move
    // cannot leave an empty or partial archive under the old name.
    ::fsync(temp.Handle());
    struct stat old;
    if (::stat(replace_path.c_str(), &old) == 0) {
        ::fchmod(temp.Handle(), old.st_mode & 07777);
        // A group-shared archive stays shared; only the owner may give a file away, and a
        // refusal leaves the group the folder gave.
        if (old.st_gid != ::getegid()) (void)!::fchown(temp.Handle(), uid_t(-1), old.st_gid);
    }
    try {
        MoveFileOver(temp.file_name, replace_path);
    } catch (const std::exception& e) {
        throw EInOutError("Cannot put the new archive in place of \"" + archive_path +
                          "\"; the archive was left as it was. " + e.what());
    }
}

void TArchiveManager::ReplaceArchive(std::unique_ptr<TArchiveFile> temp) {
    // The new archive stays open: it is read back from the very file that was written, which
    // nobody can have swapped under the name in between.
    const int fd = ::dup(temp->Handle());
    if (fd < 0) throw EInOutError("Cannot reopen the archive \"" + archive_path + "\".");
    temp.reset();
    CloseArchive();
    Adopt(std::make_unique<TArchiveFile>(fd, archive_path, true), archive_path);
}
