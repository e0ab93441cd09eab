#pragma once
// The open package archive: a bit file that owns the archive's central directory.

#include "ArchiveHeadersUnit.h"
#include "ObjListUnit.h"
#include "bit_file_unit.h"

#include <cstdint>
#include <memory>
#include <string>

class TArchiveFile;

// The file entries of an archive, in the order in which they were added.
class TCentralDir : public TObjList<TCentralFileHeader> {
public:
    explicit TCentralDir(TArchiveFile& archive);

    // The archive's trailing dword, read once; -1 while the file on disk is empty.
    int32_t GetCentralDirOffset();
    bool SeekToCentralDir();
    void Load();
    // Writes every entry and the end record at the stream's current position, which becomes
    // the directory's offset.
    void SaveTo(TBufferedFileStream& stream);
    void Save();

    TArchiveFile& archive;
    int32_t central_dir_offset = -1;
    int32_t block_size = ARCHIVE_BLOCK_SIZE;
};

class TArchiveFile : public TBitFile {
public:
    // open_existing: open for reading (denying others write access), check the signature and
    // load the directory. Otherwise create (or truncate) the file as an empty archive.
    TArchiveFile(const std::string& file_name, bool open_existing);
    // The same in a file the caller opened (for reading and writing) and hands over, so that
    // nobody can swap the file under its name in between.
    TArchiveFile(int fd, const std::string& file_name, bool open_existing);
    ~TArchiveFile() override;

    void SeekToData();

private:
    void Start(bool open_existing);

public:
    std::unique_ptr<TCentralDir> central_dir;
};
