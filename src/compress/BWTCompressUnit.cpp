#include "BWTCompressUnit.h"

#include "ErrorUnit.h"
#include "EventPump.h"

#include <stdexcept>
#include <string>

TCompressor::TCompressor(TBlockMan& buffers)
    : sorter(std::make_unique<TFastSorter>(buffers)),
      mtf_encoder(std::make_unique<TMTFEncoder>()),
      ari_encoder(std::make_unique<TFileStrucAriEncoder>()),
      buffers(buffers) {}

TCompressor::~TCompressor() {
    ari_encoder.reset();
    mtf_encoder.reset();
    sorter.reset();
}

uint8_t* TCompressor::GetInputBuffer() {
    block = buffers.block_buf;
    return block;
}

void TCompressor::AttachBuffers() {
    // The input buffer is whichever buffer GetInputBuffer handed out last.
    work = block == buffers.block_buf ? buffers.work_buf : buffers.block_buf;
    index = buffers.index_buf;
}

int32_t TCompressor::CompressBlock(int32_t n, TBitFile& archive_file) {
    if (n < 1 || n > BLOCK_SIZE)
        throw std::out_of_range("CompressBlock: a block holds 1 to " + std::to_string(BLOCK_SIZE) +
                                " bytes, not " + std::to_string(n) + ".");
    if (block == nullptr) GetInputBuffer();
    const int64_t start = archive_file.BufferedPosition();
    for (int32_t i = 0; i < DATA_HEADER_SIZE; ++i) archive_file.WriteByte(0);
    archive_file.FlushBuffer();
    AttachBuffers();
    crc = BlockCRC(block, n);
    SortBlock(n);
    TransformBlock(n);
    ari_encoder->EncodeBlock(archive_file, block, n);
    const int64_t end = archive_file.BufferedPosition();
    const int32_t compressed_size = int32_t(end - start - DATA_HEADER_SIZE);
    archive_file.SmartSeek(start, 0);
    archive_file.WriteDword(DATA_SIGNATURE);
    archive_file.WriteDword(crc);
    archive_file.WriteDword(uint32_t(compressed_size));
    archive_file.WriteDword(uint32_t(origin_index));
    archive_file.WriteDword(uint32_t(virtual_char_index));
    archive_file.SmartSeek(end, 0);
    // The next block must be fetched afresh: the buffers have been swapped.
    block = nullptr;
    ProcessPendingMessages();
    return compressed_size;
}

void TCompressor::SortBlock(int32_t n) { sorter->SortSuffixes(block, index, n); }

// Row j contributes the byte before its suffix; the row of the whole block contributes nothing
// and its row number is virtual_char_index. The bytes are gathered first and coded in one
// sequential pass, which gives the same values as coding them row by row.
void TCompressor::TransformBlock(int32_t n) {
    virtual_char_index = -2;
    origin_index = 0;
    int32_t emitted = 0;
    const int32_t rows = n + 1;
    for (int32_t j = 0; j < rows; ++j) {
        const int32_t p = index[j];
        if (p == 0) {
            virtual_char_index = emitted;
            continue;
        }
        if (p == 1) origin_index = j;
        work[++emitted] = block[p];
    }
    if (virtual_char_index == -2) ShowError("virtual_char_index not initialized.");
    mtf_encoder->Reset();
    mtf_encoder->EncodeBuffer(work + 1, n);
    SwapBuffers();
}
