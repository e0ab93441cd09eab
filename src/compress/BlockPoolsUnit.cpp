#include "BlockPoolsUnit.h"

#include <algorithm>
#include <thread>

int DefaultThreadCount() {
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

int ParseThreadCount(const std::string& text) {
    if (text.empty() || text.size() > 4) return 0;
    int count = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        count = count * 10 + (c - '0');
    }
    return count >= 1 && count <= MAX_THREAD_COUNT ? count : 0;
}

TBlockEncoderPool::TBlockEncoderPool(int threads)
    : TOrderedWorkers(
          threads, BLOCKS_IN_FLIGHT_PER_THREAD * size_t(std::max(threads, 1)),
          [] { return std::make_unique<TBlockEncoder>(); },
          [](TBlockEncoder& encoder, TBlockEncodeJob& job) {
              job.coded.clear();
              job.info = encoder.EncodeBlock(job.raw, job.coded);
          }) {}

TBlockDecoderPool::TBlockDecoderPool(int threads)
    : TOrderedWorkers(
          threads, BLOCKS_IN_FLIGHT_PER_THREAD * size_t(std::max(threads, 1)),
          [] { return std::make_unique<TBlockDecoder>(); },
          [](TBlockDecoder& decoder, TBlockDecodeJob& job) {
              job.raw.resize(size_t(BLOCK_SIZE));
              const int32_t n =
                  decoder.DecodeBlock(job.coded, job.raw.data(), BLOCK_SIZE, job.expected_size);
              job.raw.resize(size_t(n));
          }) {}
