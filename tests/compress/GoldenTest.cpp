// Stability of the format beyond the short vectors: the coded bytes of a generated mixture
// were recorded from a plain rendering of every stage (linear model updates, row-by-row
// move-to-front, bit-by-bit output) and must never change; a reference model checks the
// optimised model update step by step.

#include "BWTCompressUnit.h"
#include "CRC32Unit.h"
#include "CompressTestSupport.h"
#include "GroupAriModelUnit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

// The mixture: word salad, a run, sparse noise and random bytes; 1.2 MB in three blocks, the
// last just over. Shared with the memory codec's test.
std::vector<uint8_t> GoldenMixture() {
    std::mt19937 rng(20261209);
    const char* words[] = {"glimmer", "drome ", "saver ", "movie", " the ", "of ",  "\n", "frame",
                           "block",   "sort ",  "and ",   "a ",    "ZIP",   "1234", "  "};
    std::vector<uint8_t> x;
    while (x.size() < 700000) {
        const std::string w = words[rng() % 15];
        x.insert(x.end(), w.begin(), w.end());
    }
    x.insert(x.end(), 150000, 0xAB);
    for (int i = 0; i < 200000; ++i)
        x.push_back(rng() % 64 == 0 ? uint8_t(rng()) : 0);
    for (int i = 0; i < 150000; ++i)
        x.push_back(uint8_t(rng()));
    return x;
}

namespace {

constexpr size_t GOLDEN_SIZE = 252535;
constexpr uint32_t GOLDEN_CRC = 0x271CAF89;

TEST(Golden, MixtureCodesToTheRecordedBytes) {
    const std::vector<uint8_t> data = GoldenMixture();
    TScratchDir dir;
    const std::string name = dir.File("golden.bin");
    {
        TBitFile f(name, fmCreate);
        TCompressor compressor;
        for (size_t at = 0; at < data.size(); at += BLOCK_SIZE) {
            const size_t n = std::min(data.size() - at, size_t(BLOCK_SIZE));
            std::memcpy(compressor.GetInputBuffer() + 1, data.data() + at, n);
            compressor.CompressBlock(int32_t(n), f);
        }
    }
    const std::vector<uint8_t> coded = ReadWholeFile(name);
    TCRC32 crc;
    crc.Update(coded.data(), coded.size());
    ASSERT_EQ(data.size(), 1200002u);
    EXPECT_EQ(coded.size(), GOLDEN_SIZE);
    EXPECT_EQ(crc.Value(), GOLDEN_CRC);
}

// The update of the design, step by step, with its linear walk over equal neighbours.
void ReferenceUpdate(TGroupAriModel& m, int32_t i) {
    if (m.cum_freq[0] >= m.max_total) {
        int32_t cum = 0;
        for (int32_t k = m.num_indices; k >= 0; --k) {
            m.freq[k] = (m.freq[k] + 1) / 2;
            m.cum_freq[k] = cum;
            cum += m.freq[k];
        }
    }
    int32_t j = i;
    while (m.freq[j] == m.freq[j - 1])
        --j;
    if (j < i) {
        const int32_t a = m.index_to_char[i], b = m.index_to_char[j];
        m.index_to_char[i] = b;
        m.index_to_char[j] = a;
        m.char_to_index[a] = j;
        m.char_to_index[b] = i;
    }
    m.freq[j] += m.increment;
    for (int32_t k = j - 1; k >= 0; --k)
        m.cum_freq[k] += m.increment;
}

// Both builds of the update (the wide one where the machine has 512-bit vectors), including the
// wide one's count of the entries above a run, which holds only where counts rise by 1.
TEST(Golden, ModelUpdateMatchesTheReference) {
    std::mt19937 rng(31);
    for (bool wide : LoopBuilds()) {
        SCOPED_TRACE(wide ? "wide" : "plain");
        for (auto [first, last, max_total, inc] :
             {std::tuple{0, 8, 4096, 32}, std::tuple{8, 15, 128, 1}, std::tuple{128, 257, 8192, 1},
              std::tuple{2, 3, 256, 1}}) {
            TGroupAriModel fast(first, last, max_total, inc), slow(first, last, max_total, inc);
            for (int step = 0; step < 40000; ++step) {
                // Skewed choices, as after the transform, with bursts of one symbol.
                const int32_t span = fast.num_symbols;
                const int32_t symbol =
                    step % 500 < 50
                        ? 0
                        : int32_t(rng() % unsigned(rng() % 3 ? std::min(span, 4) : span));
                if (wide)
                    fast.Update<true>(fast.char_to_index[symbol]);
                else
                    fast.Update(fast.char_to_index[symbol]);
                ReferenceUpdate(slow, slow.char_to_index[symbol]);
                ASSERT_EQ(0, std::memcmp(fast.freq, slow.freq, sizeof fast.freq)) << step;
                ASSERT_EQ(0, std::memcmp(fast.cum_freq, slow.cum_freq, sizeof fast.cum_freq))
                    << step;
                ASSERT_EQ(0, std::memcmp(fast.index_to_char, slow.index_to_char,
                                         sizeof fast.index_to_char));
            }
        }
    }
}

} // namespace
