#include "ArchiveFileUnit.h"

#include "FileErrors.h"
#include "FileStream.h"

#include <algorithm>
#include <vector>

TCentralDir::TCentralDir(TArchiveFile& owner) : archive(owner) {
    Load();
}

int32_t TCentralDir::GetCentralDirOffset() {
    if (central_dir_offset == -1 && archive.Size() > 0) {
        // The trailing dword is read unbuffered, so the buffer keeps whatever it held for the
        // reader or writer around it.
        archive.SmartModeOff();
        archive.SmartSeek(-4, 2);
        uint8_t b[4] = {0, 0, 0, 0};
        archive.Read(b, 4);
        central_dir_offset = int32_t(LoadLE32(b));
        archive.SmartModeOn();
    }
    return central_dir_offset;
}

bool TCentralDir::SeekToCentralDir() {
    int32_t offset = GetCentralDirOffset();
    if (offset < 0) return false;
    archive.SmartModeOff();
    archive.SmartSeek(offset, 0);
    archive.SmartModeOn();
    return true;
}

void TCentralDir::Load() {
    Clear();
    const int32_t offset = GetCentralDirOffset();
    if (offset < 0) return;
    // The directory is read whole, unbuffered, and parsed in memory; no directory this program
    // writes comes near the limit, and past it the parser sees zeros and refuses the rest.
    TCentralDirRules rules;
    rules.strict = false;
    const int64_t length = std::clamp<int64_t>(archive.Size() - offset, 0,
                                               rules.limits.max_directory_bytes + CENTRAL_END_SIZE);
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    archive.SmartModeOff();
    archive.SmartSeek(offset, 0);
    int64_t got = 0;
    while (got < length) {
        const int32_t n = archive.Read(bytes.data() + got, int32_t(length - got));
        if (n < 0)
            throw EInOutError("Cannot read the central directory of \"" + archive.file_name +
                              "\".");
        if (n == 0) break;
        got += n;
    }
    bytes.resize(size_t(got));
    archive.SmartModeOn();
    TCentralDirRecords records = ParseCentralDir(bytes, rules);
    for (TArchiveEntry& e : records.entries) {
        auto* header = new TCentralFileHeader;
        header->compressed_size = e.compressed_size;
        header->raw_size = e.raw_size;
        header->block_count = e.block_count;
        header->data_offset = e.data_offset;
        header->time_stamp = e.time_stamp;
        header->attributes = e.attributes;
        header->folder_part = std::move(e.folder_part);
        header->name_part = std::move(e.name_part);
        Add(header);
    }
    block_size = records.block_size;
}

void TCentralDir::SaveTo(TBufferedFileStream& stream) {
    central_dir_offset = int32_t(stream.BufferedPosition());
    for (TCentralFileHeader* entry : *this)
        entry->Write(stream);
    TCentralDirEndHeader end;
    end.block_size = ARCHIVE_BLOCK_SIZE;
    end.central_dir_offset = central_dir_offset;
    end.Write(stream);
}

void TCentralDir::Save() {
    SaveTo(archive);
}

TArchiveFile::TArchiveFile(const std::string& name, bool open_existing)
    : TBitFile(name, open_existing ? fmShareDenyWrite : fmCreate) {
    Start(open_existing);
}

TArchiveFile::TArchiveFile(int fd, const std::string& name, bool open_existing)
    : TBitFile(fd, name, open_existing ? fmShareDenyWrite : fmCreate) {
    Start(open_existing);
}

void TArchiveFile::Start(bool open_existing) {
    if (open_existing) {
        TResourceArchiveHeader header;
        header.Read(*this);
        central_dir = std::make_unique<TCentralDir>(*this);
    } else {
        TResourceArchiveHeader header;
        header.Write(*this);
        central_dir = std::make_unique<TCentralDir>(*this);
        central_dir->Save();
        FlushBuffer();
        central_dir->Load();
    }
}

TArchiveFile::~TArchiveFile() {
    central_dir.reset();
}

void TArchiveFile::SeekToData() {
    SmartSeek(4, 0);
}
