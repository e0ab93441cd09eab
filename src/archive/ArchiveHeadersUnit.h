#pragma once
// The records of the package archive: the archive signature, the data-block header, the
// central directory's file entry and its end record. Every number is a little-endian dword;
// names are 8-bit bytes ended by a zero byte.

#include <cstdint>
#include <memory>
#include <string>

class TBufferedFileStream;

// Signatures are compared as dwords; written little-endian they read as the four letters.
constexpr uint32_t ARCHIVE_SIGNATURE = 0x4D504C4B;      // "KLPM"
constexpr uint32_t DATA_BLOCK_SIGNATURE = 0x41544144;   // "DATA"
constexpr uint32_t CENTRAL_FILE_SIGNATURE = 0x53484643; // "CFHS"
constexpr uint32_t CENTRAL_END_SIGNATURE = 0x52444345;  // "ECDR"

// Raw bytes per data block; the end record repeats it.
constexpr int32_t ARCHIVE_BLOCK_SIZE = 409600;

// Fixed part of a file entry (signature and six dwords) and of the end record.
constexpr int32_t CENTRAL_FILE_FIXED_SIZE = 28;
constexpr int32_t CENTRAL_END_SIZE = 12;
constexpr int32_t DATA_BLOCK_HEADER_SIZE = 20;

// Number of data blocks a file of raw_size bytes occupies.
constexpr int64_t BlocksFor(int64_t raw_size, int64_t block_size = ARCHIVE_BLOCK_SIZE) {
    return raw_size / block_size + (raw_size % block_size != 0 ? 1 : 0);
}

// Splits a stored name after its last path separator (either kind) or drive colon.
void SplitStoredName(const std::string& stored, std::string& folder_part, std::string& name_part);

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

// Reads the next directory record: a file entry or the end record, by its signature; any
// other signature raises ESignatureWrong.
std::unique_ptr<TArchiveHeader> ReadCentralRecord(TBufferedFileStream& archive);

// Packs a local time as the MS-DOS date (high word) and time (low word) of a file entry;
// times outside 1980..2107 are clamped to the nearest representable one.
uint32_t PackDosTime(int year, int month, int day, int hour, int minute, int second);
struct TDosTime {
    int year, month, day, hour, minute, second;
};
TDosTime UnpackDosTime(uint32_t packed);
