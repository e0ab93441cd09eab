#include "ArchiveReaderUnit.h"

#include "BlockDecoderUnit.h"
#include "BlockPoolsUnit.h"
#include "CompressErrors.h"
#include "FileErrors.h"
#include "OrderedWorkersUnit.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <exception>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string EntryLabel(size_t index, const std::string& name) {
    return "entry " + std::to_string(index + 1) + " ('" + PrintableName(name) + "')";
}

} // namespace

bool TArchiveReader::ReadAt(int64_t offset, void* buffer, size_t count) const {
    if (offset < 0 || offset + int64_t(count) > file_size) return false;
    if (count == 0) return true;
    if (fd < 0) {
        std::memcpy(buffer, memory.data() + offset, count);
        return true;
    }
    auto* out = static_cast<uint8_t*>(buffer);
    while (count > 0) {
        const ssize_t got = ::pread(fd, out, count, off_t(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        out += got;
        offset += got;
        count -= size_t(got);
    }
    return true;
}

std::unique_ptr<TArchiveReader> TArchiveReader::Locate(std::unique_ptr<TArchiveReader> reader,
                                                       const TArchiveReaderLimits& limits) {
    auto read_at = [r = reader.get()](int64_t offset, void* buffer, size_t count) {
        return r->ReadAt(offset, buffer, count);
    };
    std::string why;
    const int64_t start = FindArchiveStart(read_at, reader->file_size, limits, &why);
    if (start < 0) throw EArchiveDamaged(why);
    reader->archive_start = start;

    uint8_t tail[CENTRAL_END_SIZE];
    if (!reader->ReadAt(reader->file_size - CENTRAL_END_SIZE, tail, sizeof tail))
        throw EArchiveDamaged("The end record cannot be read.");
    reader->block_size = int32_t(LoadLE32(tail + 4));
    reader->central_dir_offset = int32_t(LoadLE32(tail + 8));
    const int64_t dir_start = start + reader->central_dir_offset;
    std::vector<uint8_t> dir(size_t(reader->file_size - CENTRAL_END_SIZE - dir_start));
    if (!reader->ReadAt(dir_start, dir.data(), dir.size()))
        throw EArchiveDamaged("The central directory cannot be read.");
    TCentralDirRules rules;
    rules.central_dir_offset = reader->central_dir_offset;
    rules.block_size = reader->block_size;
    rules.limits = limits;
    reader->entries = ParseCentralDir(dir, rules).entries;
    return reader;
}

std::unique_ptr<TArchiveReader> TArchiveReader::Open(const std::string& path,
                                                     const TArchiveReaderLimits& limits) {
    std::unique_ptr<TArchiveReader> reader(new TArchiveReader);
    reader->path = path;
    reader->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (reader->fd < 0) throw EFOpenError(FileOpenErrorMessage(path, errno));
    struct stat st {};
    if (::fstat(reader->fd, &st) != 0) throw EFOpenError(FileOpenErrorMessage(path, errno));
    if (S_ISDIR(st.st_mode)) throw EFOpenError(FileOpenErrorMessage(path, EISDIR));
    const off_t end = ::lseek(reader->fd, 0, SEEK_END);
    if (end < 0) throw EFOpenError(FileOpenErrorMessage(path, errno));
    reader->file_size = int64_t(end);
    return Locate(std::move(reader), limits);
}

std::unique_ptr<TArchiveReader> TArchiveReader::OpenMemory(std::span<const uint8_t> bytes,
                                                           const TArchiveReaderLimits& limits,
                                                           const std::string& name) {
    std::unique_ptr<TArchiveReader> reader(new TArchiveReader);
    reader->path = name;
    reader->memory = bytes;
    reader->file_size = int64_t(bytes.size());
    return Locate(std::move(reader), limits);
}

TArchiveReader::~TArchiveReader() {
    if (fd >= 0) ::close(fd);
}

// One block between reading and handing out. A fault found while reading it is kept for the
// moment the block's turn comes, so that the caller sees the blocks before it first, exactly as
// when the blocks are read and expanded one after the other.
struct TReadBlockJob {
    size_t entry = 0;
    int32_t block = 0;
    std::string where;
    std::vector<uint8_t> coded;
    int32_t expected = 0;
    std::vector<uint8_t> raw;
    int32_t got = 0;
    std::exception_ptr early; // the block cannot be expanded at all
    std::exception_ptr after; // the entry's last block: its blocks do not add up
};

struct TArchiveReader::TAhead {
    explicit TAhead(int threads)
        : pool(
              threads, BLOCKS_IN_FLIGHT_PER_THREAD * size_t(std::max(threads, 1)),
              [] { return std::make_unique<TBlockDecoder>(); },
              [](TBlockDecoder& decoder, TReadBlockJob& job) {
                  if (job.early) std::rethrow_exception(job.early);
                  try {
                      job.got = decoder.DecodeBlock(job.coded, job.raw.data(),
                                                    int32_t(job.raw.size()), job.expected);
                  } catch (const ECompressError& ex) {
                      throw EArchiveDamaged(job.where + ": " + ex.what());
                  }
                  if (job.got != job.expected)
                      throw EArchiveDamaged(job.where + ": it holds " + std::to_string(job.got) +
                                            " bytes instead of " + std::to_string(job.expected) +
                                            ".");
              }) {}

    // Blocks in flight come back in the order they went in; these are their places.
    std::deque<std::pair<size_t, int32_t>> queued;
    TOrderedWorkers<TBlockDecoder, TReadBlockJob> pool;
    // The next block to read: of entry, its number, where it starts and the raw bytes left.
    bool placed = false;
    size_t entry = 0;
    int32_t block = 0;
    int64_t offset = 0;
    int64_t raw_left = 0;

    // Forgets every block in flight, waiting for those being expanded.
    void Drop() {
        pool.DropAll();
        queued.clear();
        placed = false;
    }
};

void TArchiveReader::SetThreads(int count) {
    if (count <= 0) count = int(std::max(1u, std::thread::hardware_concurrency()));
    if (count == threads) return;
    threads = count;
    ahead.reset();
}

TArchiveReader::TAhead& TArchiveReader::Ahead() {
    if (!ahead) ahead = std::make_unique<TAhead>(threads);
    return *ahead;
}

void TArchiveReader::PlaceCursor(TAhead& a, size_t index) {
    while (index < entries.size() && entries[index].block_count == 0)
        ++index;
    a.placed = index < entries.size();
    if (!a.placed) return;
    a.entry = index;
    a.block = 0;
    a.offset = entries[index].data_offset;
    a.raw_left = entries[index].raw_size;
}

void TArchiveReader::SubmitNext(TAhead& a) {
    const TArchiveEntry& e = entries[a.entry];
    TReadBlockJob& job = a.pool.Prepare();
    job.entry = a.entry;
    job.block = a.block;
    job.where = EntryLabel(a.entry, e.stored_name) + ", block " + std::to_string(a.block);
    job.early = nullptr;
    job.after = nullptr;
    const int64_t entry_end = int64_t(e.data_offset) + e.compressed_size +
                              int64_t(DATA_BLOCK_HEADER_SIZE) * e.block_count;
    bool entry_done = a.block + 1 == e.block_count;
    try {
        // The header is checked against the entry first, so that a block can never claim
        // bytes of its neighbour or of the directory.
        job.coded.resize(size_t(DATA_BLOCK_HEADER_SIZE));
        if (!ReadAt(archive_start + a.offset, job.coded.data(), job.coded.size()))
            throw EArchiveDamaged(job.where + ": the block header cannot be read.");
        if (LoadLE32(job.coded.data()) != DATA_BLOCK_SIGNATURE)
            throw EArchiveDamaged(job.where + ": " + ESignatureWrong().what());
        const int64_t payload = int32_t(LoadLE32(job.coded.data() + 8));
        if (payload < 0 || a.offset + DATA_BLOCK_HEADER_SIZE + payload > entry_end)
            throw EArchiveDamaged(job.where + ": its size runs past the entry's data.");
        if (payload > TBlockDecoder::MAX_PAYLOAD_SIZE)
            throw EArchiveDamaged(job.where + ": its size is larger than any block codes to.");
        job.coded.resize(size_t(DATA_BLOCK_HEADER_SIZE + payload));
        if (!ReadAt(archive_start + a.offset + DATA_BLOCK_HEADER_SIZE,
                    job.coded.data() + DATA_BLOCK_HEADER_SIZE, size_t(payload)))
            throw EArchiveDamaged(job.where + ": its data cannot be read.");
        job.expected = int32_t(std::min<int64_t>(a.raw_left, block_size));
        job.raw.resize(size_t(block_size));
        a.raw_left -= job.expected;
        a.offset += DATA_BLOCK_HEADER_SIZE + payload;
        if (entry_done && a.offset != entry_end)
            job.after = std::make_exception_ptr(
                EArchiveDamaged(EntryLabel(a.entry, e.stored_name) +
                                ": its blocks do not add up to its compressed size."));
    } catch (const EArchiveDamaged&) {
        // Nothing after a block that cannot be read belongs to the entry for certain.
        job.early = std::current_exception();
        entry_done = true;
    }
    a.pool.Submit();
    a.queued.emplace_back(a.entry, a.block);
    if (entry_done)
        PlaceCursor(a, a.entry + 1);
    else
        ++a.block;
}

void TArchiveReader::ExtractEntry(size_t index, const TSink& sink) {
    if (index >= entries.size())
        throw std::out_of_range("Entry " + std::to_string(index + 1) + " does not exist.");
    const TArchiveEntry& e = entries[index];
    if (e.block_count == 0) return;
    TAhead& a = Ahead();
    // Blocks read ahead for any other entry than the one asked for are of no use.
    const bool ready = a.queued.empty() ? a.placed && a.entry == index && a.block == 0
                                        : a.queued.front() == std::make_pair(index, int32_t(0));
    if (!ready) {
        a.Drop();
        PlaceCursor(a, index);
    }
    try {
        for (int32_t k = 0; k < e.block_count; ++k) {
            // One thread reads no further than the entry asked for: there is no one to expand
            // blocks ahead, and a caller that reads one entry must not pay for the next.
            while (a.placed && !a.pool.Full() && (threads > 1 || a.entry == index))
                SubmitNext(a);
            TReadBlockJob& job = a.pool.Take();
            if (sink) sink(job.raw.data(), size_t(job.got));
            const std::exception_ptr after = job.after;
            a.pool.Release();
            a.queued.pop_front();
            if (after) std::rethrow_exception(after);
        }
    } catch (...) {
        // A damaged block, or a sink that stops: whatever comes next starts afresh.
        a.Drop();
        throw;
    }
}

std::vector<uint8_t> TArchiveReader::ReadEntry(size_t index, size_t max_size) {
    if (index >= entries.size())
        throw std::out_of_range("Entry " + std::to_string(index + 1) + " does not exist.");
    if (size_t(entries[index].raw_size) > max_size)
        throw EArchiveDamaged(EntryLabel(index, entries[index].stored_name) + " is larger than " +
                              std::to_string(max_size) + " bytes.");
    std::vector<uint8_t> bytes;
    bytes.reserve(size_t(entries[index].raw_size));
    ExtractEntry(index, [&](const uint8_t* data, size_t size) {
        bytes.insert(bytes.end(), data, data + size);
    });
    return bytes;
}

void TArchiveReader::TestAll() {
    for (size_t i = 0; i < entries.size(); ++i)
        ExtractEntry(i, nullptr);
}
