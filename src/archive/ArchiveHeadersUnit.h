#pragma once
// The records of the package archive as objects that read and write themselves through a
// buffered stream: the archive signature, the data-block header, the central directory's file
// entry and its end record. The layout itself is ArchiveFormatUnit's.

#include "ArchiveFormatUnit.h"

#include <cstdint>
#include <memory>
#include <string>

class TBufferedFileStream;

class TArchiveHeader {
public:
    virtual ~TArchiveHeader() = default;

    virtual uint32_t GetSignature() const { return 0; }
    virtual void ReadFields(TBufferedFileStream& archive) { (void)archive; }
    virtual void WriteFields(TBufferedFileStream& stream) { (void)stream; }

    // Reads one dword and raises ESignatureWrong unless it is this record's signature.
    void CheckSignature(TBufferedFileStream& archive);
    void Read(TBufferedFileStream& archive);
    void Write(TBufferedFileStream& stream);

    uint32_t signature = 0;
};

class TResourceArchiveHeader : public TArchiveHeader {
public:
    TResourceArchiveHeader() { signature = GetSignature(); }
    uint32_t GetSignature() const override { return ARCHIVE_SIGNATURE; }
};

class TDataBlockHeader : public TArchiveHeader {
public:
    TDataBlockHeader() { signature = GetSignature(); }
    uint32_t GetSignature() const override { return DATA_BLOCK_SIGNATURE; }
    void ReadFields(TBufferedFileStream& archive) override;
    void WriteFields(TBufferedFileStream& stream) override;

    uint32_t crc = 0;
    int32_t compressed_size = 0;
    int32_t origin_index = 0;
    int32_t virtual_char_index = 0;
};

class TCentralFileHeader : public TArchiveHeader {
public:
    TCentralFileHeader() { signature = GetSignature(); }
    uint32_t GetSignature() const override { return CENTRAL_FILE_SIGNATURE; }
    void ReadFields(TBufferedFileStream& archive) override;
    void WriteFields(TBufferedFileStream& stream) override;

    // The name exactly as it was handed to the manager.
    std::string StoredName() const { return folder_part + name_part; }

    int32_t compressed_size = 0;
    int32_t raw_size = 0;
    int32_t block_count = 0;
    uint32_t data_offset = 0;
    uint32_t time_stamp = 0;
    uint32_t attributes = 0;
    std::string folder_part;
    std::string name_part;
};

class TCentralDirEndHeader : public TArchiveHeader {
public:
    TCentralDirEndHeader() { signature = GetSignature(); }
    uint32_t GetSignature() const override { return CENTRAL_END_SIGNATURE; }
    void ReadFields(TBufferedFileStream& archive) override;
    void WriteFields(TBufferedFileStream& stream) override;

    int32_t block_size = ARCHIVE_BLOCK_SIZE;
    int32_t central_dir_offset = 0;
};

// Packs a local time as the MS-DOS date (high word) and time (low word) of a file entry;
// times outside 1980..2107 are clamped to the nearest representable one.
uint32_t PackDosTime(int year, int month, int day, int hour, int minute, int second);
struct TDosTime {
    int year, month, day, hour, minute, second;
};
TDosTime UnpackDosTime(uint32_t packed);
