#include "ArchiveHeadersUnit.h"

#include "CompressErrors.h"
#include "smart_buf_filestream_unit.h"

namespace {

uint32_t ReadLE32(TBufferedFileStream& stream) {
    return stream.ReadDword();
}

void WriteLE32(TBufferedFileStream& stream, uint32_t value) {
    stream.WriteDword(value);
}

} // namespace

void TArchiveHeader::CheckSignature(TBufferedFileStream& archive) {
    if (ReadLE32(archive) != signature) throw ESignatureWrong();
}

void TArchiveHeader::Read(TBufferedFileStream& archive) {
    CheckSignature(archive);
    ReadFields(archive);
}

void TArchiveHeader::Write(TBufferedFileStream& stream) {
    WriteLE32(stream, signature);
    WriteFields(stream);
}

void TDataBlockHeader::ReadFields(TBufferedFileStream& archive) {
    crc = ReadLE32(archive);
    compressed_size = int32_t(ReadLE32(archive));
    origin_index = int32_t(ReadLE32(archive));
    virtual_char_index = int32_t(ReadLE32(archive));
}

void TDataBlockHeader::WriteFields(TBufferedFileStream& stream) {
    WriteLE32(stream, crc);
    WriteLE32(stream, uint32_t(compressed_size));
    WriteLE32(stream, uint32_t(origin_index));
    WriteLE32(stream, uint32_t(virtual_char_index));
}

void TCentralFileHeader::ReadFields(TBufferedFileStream& archive) {
    compressed_size = int32_t(ReadLE32(archive));
    raw_size = int32_t(ReadLE32(archive));
    block_count = int32_t(ReadLE32(archive));
    data_offset = ReadLE32(archive);
    time_stamp = ReadLE32(archive);
    attributes = ReadLE32(archive);
    // The end of the file also ends a name: the stream hands out a zero byte there.
    std::string stored;
    uint8_t b = 0;
    while (archive.ReadByte(b) && b != 0)
        stored.push_back(char(b));
    SplitStoredName(stored, folder_part, name_part);
}

void TCentralFileHeader::WriteFields(TBufferedFileStream& stream) {
    WriteLE32(stream, uint32_t(compressed_size));
    WriteLE32(stream, uint32_t(raw_size));
    WriteLE32(stream, uint32_t(block_count));
    WriteLE32(stream, data_offset);
    WriteLE32(stream, time_stamp);
    WriteLE32(stream, attributes);
    for (char c : folder_part)
        stream.WriteByte(uint8_t(c));
    for (char c : name_part)
        stream.WriteByte(uint8_t(c));
    stream.WriteByte(0);
}

void TCentralDirEndHeader::ReadFields(TBufferedFileStream& archive) {
    block_size = int32_t(ReadLE32(archive));
    central_dir_offset = int32_t(ReadLE32(archive));
}

void TCentralDirEndHeader::WriteFields(TBufferedFileStream& stream) {
    WriteLE32(stream, uint32_t(block_size));
    WriteLE32(stream, uint32_t(central_dir_offset));
}

uint32_t PackDosTime(int year, int month, int day, int hour, int minute, int second) {
    if (year < 1980) return (0u << 25) | (1u << 21) | (1u << 16);
    if (year > 2107) {
        year = 2107, month = 12, day = 31, hour = 23, minute = 59, second = 58;
    }
    uint32_t date = uint32_t(year - 1980) * 512 + uint32_t(month) * 32 + uint32_t(day);
    uint32_t time = uint32_t(hour) * 2048 + uint32_t(minute) * 32 + uint32_t(second / 2);
    return date << 16 | time;
}

TDosTime UnpackDosTime(uint32_t packed) {
    uint32_t date = packed >> 16, time = packed & 0xFFFF;
    return {int(date >> 9) + 1980, int((date >> 5) & 15), int(date & 31),
            int(time >> 11),       int((time >> 5) & 63), int(time & 31) * 2};
}
