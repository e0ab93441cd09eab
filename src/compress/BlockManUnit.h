#pragma once
// The large work buffers of block compression, allocated once and reused by every block.
//
// One TBlockMan is one complete set: a block encoder owns one, and its sorter works only in
// that set. There is no process-wide set, so encoders on different threads never share a byte.

#include <cstdint>
#include <memory>

// Capacities: a block of n bytes needs n + 1 integers per integer buffer and indices 1..n of
// the byte buffers. They leave room above the 409600-byte block the archive uses.
constexpr int32_t BLOCK_INDEX_CAPACITY = 410600;
constexpr int32_t BLOCK_BYTE_CAPACITY = 821202;
constexpr int32_t BUCKET_HEAD_COUNT = 65536;
// The largest block the engine accepts.
constexpr int32_t MAX_BLOCK_SIZE = BLOCK_INDEX_CAPACITY - 1;

class TBlockMan {
public:
    TBlockMan();
    ~TBlockMan();
    TBlockMan(const TBlockMan&) = delete;
    TBlockMan& operator=(const TBlockMan&) = delete;

    int32_t* index_buf;    // the sorted suffix order of a block
    int32_t* rank_buf;     // bucket links, then group numbers, while sorting
    int32_t* group_buf;    // group lengths while sorting
    uint8_t* block_buf;    // the raw block, from index 1
    uint8_t* work_buf;     // the block-sorting transform's bytes, from index 1
    int32_t* bucket_heads; // one entry per two-byte bucket

    // The byte buffers are made of 32-bit words, so that the sorter may use the one the block
    // is not in as scratch space for integers.
    static constexpr int32_t BYTE_BUFFER_WORDS = (BLOCK_BYTE_CAPACITY + 3) / 4;
    int32_t* ScratchBeside(const uint8_t* block) const {
        return reinterpret_cast<int32_t*>(block == block_buf ? work_storage.get()
                                                             : block_storage.get());
    }

private:
    std::unique_ptr<int32_t[]> index_storage, rank_storage, group_storage, bucket_storage;
    std::unique_ptr<uint32_t[]> block_storage, work_storage;
};
