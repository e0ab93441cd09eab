#pragma once
// Data blocks coded and expanded on every core: one block encoder or decoder per worker, the
// blocks handed back in the order they went in. The bytes of a block never depend on the
// worker that coded it, so an archive is the same whatever the number of threads.

#include "BlockDecoderUnit.h"
#include "BlockEncoderUnit.h"
#include "OrderedWorkersUnit.h"

#include <cstdint>
#include <string>
#include <vector>

// The number of threads when the user names none: every core.
int DefaultThreadCount();
// The thread count of a -j option: a whole number from 1 to MAX_THREAD_COUNT, else 0.
constexpr int MAX_THREAD_COUNT = 256;
int ParseThreadCount(const std::string& text);

// Blocks in flight per thread. A block of a large file can take many times as long as the
// small files' blocks behind it; with only two per thread the workers ran dry behind it while
// the caller waited for it (measured on a folder of movies: -j 2 packing 10 % and expanding
// 12 % slower than with eight). Eight cost about 4 MB of buffers per thread.
constexpr size_t BLOCKS_IN_FLIGHT_PER_THREAD = 8;

// One raw block in, its data block (header and payload) out.
struct TBlockEncodeJob {
    std::vector<uint8_t> raw;
    std::vector<uint8_t> coded;
    TDataBlockInfo info;
};

class TBlockEncoderPool : public TOrderedWorkers<TBlockEncoder, TBlockEncodeJob> {
public:
    explicit TBlockEncoderPool(int threads);
};

// One data block in, its raw bytes out; expected_size as TBlockDecoder::DecodeBlock takes it.
struct TBlockDecodeJob {
    std::vector<uint8_t> coded;
    int32_t expected_size = -1;
    std::vector<uint8_t> raw;
};

class TBlockDecoderPool : public TOrderedWorkers<TBlockDecoder, TBlockDecodeJob> {
public:
    explicit TBlockDecoderPool(int threads);
};
