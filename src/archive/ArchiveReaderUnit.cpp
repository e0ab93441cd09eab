#include "ArchiveReaderUnit.h"

#include "BlockDecoderUnit.h"
#include "CompressErrors.h"
#include "FileErrors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

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

void TArchiveReader::ExtractEntry(size_t index, const TSink& sink) {
    if (index >= entries.size())
        throw std::out_of_range("Entry " + std::to_string(index + 1) + " does not exist.");
    const TArchiveEntry& e = entries[index];
    const std::string label = EntryLabel(index, e.stored_name);
    if (e.block_count == 0) return;
    if (!decoder) {
        decoder = std::make_unique<TBlockDecoder>();
        block.resize(size_t(block_size));
    }
    const int64_t entry_end = int64_t(e.data_offset) + e.compressed_size +
                              int64_t(DATA_BLOCK_HEADER_SIZE) * e.block_count;
    int64_t offset = e.data_offset;
    int64_t raw_left = e.raw_size;
    for (int32_t k = 0; k < e.block_count; ++k) {
        const std::string where = label + ", block " + std::to_string(k);
        // The header is checked against the entry first, so that a block can never claim
        // bytes of its neighbour or of the directory.
        coded.resize(size_t(DATA_BLOCK_HEADER_SIZE));
        if (!ReadAt(archive_start + offset, coded.data(), coded.size()))
            throw EArchiveDamaged(where + ": the block header cannot be read.");
        if (LoadLE32(coded.data()) != DATA_BLOCK_SIGNATURE)
            throw EArchiveDamaged(where + ": " + ESignatureWrong().what());
        const int64_t payload = int32_t(LoadLE32(coded.data() + 8));
        if (payload < 0 || offset + DATA_BLOCK_HEADER_SIZE + payload > entry_end)
            throw EArchiveDamaged(where + ": its size runs past the entry's data.");
        if (payload > TBlockDecoder::MAX_PAYLOAD_SIZE)
            throw EArchiveDamaged(where + ": its size is larger than any block codes to.");
        coded.resize(size_t(DATA_BLOCK_HEADER_SIZE + payload));
        if (!ReadAt(archive_start + offset + DATA_BLOCK_HEADER_SIZE,
                    coded.data() + DATA_BLOCK_HEADER_SIZE, size_t(payload)))
            throw EArchiveDamaged(where + ": its data cannot be read.");
        const int32_t expected = int32_t(std::min<int64_t>(raw_left, block_size));
        int32_t got = 0;
        try {
            got = decoder->DecodeBlock(coded, block.data(), int32_t(block.size()), expected);
        } catch (const ECompressError& ex) {
            throw EArchiveDamaged(where + ": " + ex.what());
        }
        if (got != expected)
            throw EArchiveDamaged(where + ": it holds " + std::to_string(got) +
                                  " bytes instead of " + std::to_string(expected) + ".");
        if (sink) sink(block.data(), size_t(got));
        raw_left -= got;
        offset += DATA_BLOCK_HEADER_SIZE + payload;
    }
    if (offset != entry_end)
        throw EArchiveDamaged(label + ": its blocks do not add up to its compressed size.");
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
