#include "ArchiveFileUnit.h"

#include "FileStream.h"

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
        central_dir_offset = int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                                     uint32_t(b[3]) << 24);
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
    if (!SeekToCentralDir()) return;
    for (;;) {
        std::unique_ptr<TArchiveHeader> record = ReadCentralRecord(archive);
        if (auto* end = dynamic_cast<TCentralDirEndHeader*>(record.get())) {
            block_size = end->block_size;
            return;
        }
        Add(static_cast<TCentralFileHeader*>(record.release()));
    }
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
