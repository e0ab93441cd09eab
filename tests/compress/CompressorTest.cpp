// Whole data blocks: the blocks of the format byte for byte, round trips over many shapes and
// sizes, and damaged blocks that must end in a clear exception.

#include "BWTCompressUnit.h"
#include "BWTExpandUnit.h"
#include "CRC32Unit.h"
#include "CompressErrors.h"
#include "CompressTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// Compresses each block into one file, one data block after the other.
std::vector<uint8_t> CompressBlocks(const std::vector<std::vector<uint8_t>>& blocks,
                                    std::vector<int32_t>* sizes = nullptr) {
    TScratchDir dir;
    const std::string name = dir.File("blocks.bin");
    {
        TBitFile f(name, fmCreate);
        TCompressor compressor;
        for (const auto& raw : blocks) {
            uint8_t* input = compressor.GetInputBuffer();
            std::memcpy(input + 1, raw.data(), raw.size());
            const int64_t before = f.BufferedPosition();
            const int32_t size = compressor.CompressBlock(int32_t(raw.size()), f);
            EXPECT_EQ(f.BufferedPosition(), before + 20 + size);
            if (sizes) sizes->push_back(size);
        }
        f.FlushBuffer();
    }
    return ReadWholeFile(name);
}

std::vector<uint8_t> CompressOne(const std::vector<uint8_t>& raw) {
    return CompressBlocks({raw});
}

// Expands every data block of bytes; expected_sizes, when given, are passed to the expander.
std::vector<std::vector<uint8_t>> ExpandAll(const std::vector<uint8_t>& bytes,
                                            const std::vector<int32_t>& expected_sizes = {}) {
    TScratchDir dir;
    const std::string name = dir.File("in.bin");
    WriteWholeFile(name, bytes);
    TBitFile f(name, fmOpenRead);
    TExpander expander;
    std::vector<std::vector<uint8_t>> blocks;
    size_t k = 0;
    while (f.BufferedPosition() < int64_t(bytes.size())) {
        const int32_t expected = k < expected_sizes.size() ? expected_sizes[k] : -1;
        blocks.push_back(expander.ExpandBlock(f, expected));
        ++k;
    }
    return blocks;
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

TEST(CRC32, CheckValueAndBlockPathAgree) {
    TCRC32 crc;
    for (char c : std::string("123456789"))
        crc.Update(uint8_t(c));
    EXPECT_EQ(crc.Value(), 0xCBF43926u);
    std::vector<uint8_t> data(1000);
    std::mt19937 rng(1);
    for (auto& b : data)
        b = uint8_t(rng());
    // Around the lengths where the block path folds 64 and 16 bytes at a time, from unaligned
    // starts, and in two pieces that split a fold.
    for (size_t start : {0u, 3u})
        for (size_t len :
             {0u, 1u, 7u, 8u, 9u, 63u, 64u, 65u, 79u, 80u, 127u, 128u, 129u, 200u, 990u, 997u}) {
            TCRC32 a, b, c;
            for (size_t i = 0; i < len; ++i)
                a.Update(data[start + i]);
            b.Update(data.data() + start, len);
            c.Update(data.data() + start, len / 3);
            c.Update(data.data() + start + len / 3, len - len / 3);
            EXPECT_EQ(a.Value(), b.Value()) << start << " " << len;
            EXPECT_EQ(a.Value(), c.Value()) << start << " " << len;
        }
}

TEST(Compressor, OneByteBlockIsTheDesignBytes) {
    EXPECT_EQ(CompressOne({0x61}),
              (std::vector<uint8_t>{0x44, 0x41, 0x54, 0x41, 0x43, 0xBE, 0xB7, 0xE8,
                                    0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                    0x01, 0x00, 0x00, 0x00, 0x3F, 0x05, 0xCC}));
}

TEST(Compressor, BlocksOfTheFormat) {
    struct Case {
        std::vector<uint8_t> raw;
        uint32_t crc;
        uint32_t size, origin, vci;
        std::vector<uint8_t> payload;
    };
    const std::vector<Case> cases = {
        {{0x61}, 0xE8B7BE43, 3, 0, 1, {0x3F, 0x05, 0xCC}},
        {{0x62, 0x61, 0x6E, 0x61, 0x6E, 0x61},
         0x038B67CF,
         7,
         3,
         4,
         {0x3F, 0x2D, 0x72, 0x7A, 0xB9, 0xD1, 0x65}},
        {std::vector<uint8_t>(10, 0), 0xE38A6876, 4, 9, 10, {0xD4, 0x75, 0x89, 0x80}},
    };
    std::vector<std::vector<uint8_t>> raws;
    for (const auto& c : cases)
        raws.push_back(c.raw);
    // All three in one file: each header is filled in after its payload, in place.
    const std::vector<uint8_t> bytes = CompressBlocks(raws);
    size_t at = 0;
    for (const auto& c : cases) {
        ASSERT_LE(at + 20 + c.payload.size(), bytes.size());
        EXPECT_EQ(Le32(bytes, at), 0x41544144u);
        EXPECT_EQ(Le32(bytes, at + 4), c.crc);
        EXPECT_EQ(Le32(bytes, at + 8), c.size);
        EXPECT_EQ(Le32(bytes, at + 12), c.origin);
        EXPECT_EQ(Le32(bytes, at + 16), c.vci);
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + long(at) + 20,
                                       bytes.begin() + long(at) + 20 + long(c.payload.size())),
                  c.payload);
        at += 20 + c.payload.size();
    }
    EXPECT_EQ(at, bytes.size());
    EXPECT_EQ(ExpandAll(bytes), raws);
}

TEST(Compressor, EqualBytesGiveTheLastRows) {
    TScratchDir dir;
    TBitFile f(dir.File("e.bin"), fmCreate);
    TCompressor compressor;
    for (int32_t n : {1, 2, 100, 409600}) {
        std::memset(compressor.GetInputBuffer() + 1, 0x33, size_t(n));
        compressor.CompressBlock(n, f);
        EXPECT_EQ(compressor.origin_index, n - 1);
        EXPECT_EQ(compressor.virtual_char_index, n);
    }
}

TEST(Compressor, RefusesBlocksOutsideItsSize) {
    TScratchDir dir;
    TBitFile f(dir.File("r.bin"), fmCreate);
    TCompressor compressor;
    compressor.GetInputBuffer();
    EXPECT_THROW(compressor.CompressBlock(0, f), std::out_of_range);
    EXPECT_THROW(compressor.CompressBlock(BLOCK_SIZE + 1, f), std::out_of_range);
    EXPECT_EQ(f.BufferedPosition(), 0);
}

std::vector<uint8_t> Shaped(size_t n, int shape, std::mt19937& rng) {
    std::vector<uint8_t> x(n);
    for (size_t i = 0; i < n; ++i) {
        switch (shape) {
        case 0:
            x[i] = uint8_t(rng());
            break; // random
        case 1:
            x[i] = uint8_t('a' + rng() % 4);
            break; // small alphabet
        case 2:
            x[i] = i > 0 && rng() % 50 ? x[i - 1] : uint8_t(rng());
            break; // runs
        case 3:
            x[i] = uint8_t("the quick brown fox "[i % 20]);
            break; // period 20
        default:
            x[i] = uint8_t(i % 7 == 0 ? rng() % 3 : 0);
            break; // mostly zeros
        }
    }
    return x;
}

TEST(Compressor, RoundTripsOverSizesAndShapes) {
    std::mt19937 rng(2024);
    std::vector<std::vector<uint8_t>> blocks;
    std::vector<int32_t> raw_sizes;
    for (size_t n : {1u, 2u, 3u, 17u, 255u, 256u, 257u, 4095u, 65536u, 100001u}) {
        for (int shape = 0; shape < 5; ++shape) {
            blocks.push_back(Shaped(n, shape, rng));
            raw_sizes.push_back(int32_t(n));
        }
    }
    const std::vector<uint8_t> bytes = CompressBlocks(blocks);
    EXPECT_EQ(ExpandAll(bytes, raw_sizes), blocks);
}

TEST(Compressor, FullBlocksRoundTrip) {
    std::mt19937 rng(7);
    std::vector<std::vector<uint8_t>> blocks;
    for (int shape = 0; shape < 5; ++shape)
        blocks.push_back(Shaped(409600, shape, rng));
    std::vector<int32_t> sizes;
    const std::vector<uint8_t> bytes = CompressBlocks(blocks, &sizes);
    EXPECT_EQ(ExpandAll(bytes), blocks);
    // Random bytes cost a little more than they hold; the runs shape a small fraction.
    EXPECT_LT(sizes[0], 409600 + 409600 / 50);
    EXPECT_LT(sizes[2], 409600 / 8);
}

// A file of 409601 bytes is two data blocks: 409600 bytes and 1.
TEST(Compressor, FileOneByteOverABlockIsTwoBlocks) {
    std::mt19937 rng(8);
    std::vector<uint8_t> file = Shaped(409601, 1, rng);
    std::vector<std::vector<uint8_t>> blocks = {
        std::vector<uint8_t>(file.begin(), file.begin() + 409600),
        std::vector<uint8_t>(file.begin() + 409600, file.end())};
    EXPECT_EQ(ExpandAll(CompressBlocks(blocks), {409600, 1}), blocks);
}

// --- Damaged blocks ------------------------------------------------------------------------

// Expands bytes and returns the message of the ECompressError it ends in ("" when it
// expanded). Any other exception, or a crash, fails the test.
std::string ExpandError(const std::vector<uint8_t>& bytes, int32_t expected = -1) {
    try {
        ExpandAll(bytes, expected >= 0 ? std::vector<int32_t>{expected} : std::vector<int32_t>{});
    } catch (const ECompressError& e) {
        return e.what();
    }
    return "";
}

void PutLe32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k)
        b[at + size_t(k)] = uint8_t(v >> (8 * k));
}

TEST(Expander, DamagedHeadersGiveClearErrors) {
    std::mt19937 rng(11);
    const std::vector<uint8_t> raw = Shaped(5000, 1, rng);
    const std::vector<uint8_t> good = CompressOne(raw);
    ASSERT_EQ(ExpandError(good, 5000), "");

    std::vector<uint8_t> b = good;
    b[0] = 'X';
    EXPECT_EQ(ExpandError(b), "Wrong Signature. Archive could be corrupted.");

    b = good;
    b[5] ^= 0x40;
    EXPECT_NE(ExpandError(b).find("CRC mismatch"), std::string::npos);

    for (uint32_t size : {0xFFFFFFFFu, 0x7FFFFFFFu, uint32_t(good.size())}) {
        b = good;
        PutLe32(b, 8, size);
        EXPECT_NE(ExpandError(b).find("compressed size"), std::string::npos) << size;
    }
    for (auto [origin, vci] : {std::pair<uint32_t, uint32_t>{5001, 10},
                               {0xFFFFFFFF, 10},
                               {10, 0},
                               {10, 5001},
                               {10, 0x80000000},
                               {10, 10}}) {
        b = good;
        PutLe32(b, 12, origin);
        PutLe32(b, 16, vci);
        EXPECT_NE(ExpandError(b), "") << origin << " " << vci;
    }
    // Indexes in range but wrong send the walks through the rows astray: refused, never a
    // hang or a read outside the tables.
    const uint32_t right_vci = Le32(good, 16);
    for (uint32_t vci : {1u, 2u, 77u, 2500u, 4999u, 5000u}) {
        if (vci == right_vci || vci == Le32(good, 12)) continue;
        b = good;
        PutLe32(b, 16, vci);
        EXPECT_NE(ExpandError(b), "") << vci;
    }
    EXPECT_NE(ExpandError(good, 4999).find("does not end"), std::string::npos);
    EXPECT_NE(ExpandError(good, 5001).find("where 5001 were expected"), std::string::npos);
}

TEST(Expander, TruncatedBlocksGiveClearErrors) {
    std::mt19937 rng(12);
    const std::vector<uint8_t> good = CompressOne(Shaped(3000, 0, rng));
    for (size_t keep : {size_t(0), size_t(3), size_t(19), size_t(20), size_t(21), good.size() / 2,
                        good.size() - 1}) {
        std::vector<uint8_t> b(good.begin(), good.begin() + long(keep));
        if (b.empty()) continue;
        EXPECT_NE(ExpandError(b), "") << keep;
    }
    // The payload cut short while the header still claims all of it.
    std::vector<uint8_t> b = good;
    PutLe32(b, 8, uint32_t(good.size() - 20 - 100));
    EXPECT_NE(ExpandError(b), "");
}

// A flipped bit in any byte of the block ends in an exception or in the original bytes.
// Blocks of 700 bytes are walked in one piece, those of 1500 in many at once.
TEST(Expander, FlippedBitsNeverPassUnnoticed) {
    std::mt19937 rng(13);
    for (size_t size : {size_t(700), size_t(1500)}) {
        const std::vector<uint8_t> raw = Shaped(size, 1, rng);
        const std::vector<uint8_t> good = CompressOne(raw);
        int caught = 0;
        for (size_t at = 0; at < good.size(); ++at) {
            for (int bit : {int(at % 8), int((at + 3) % 8)}) {
                std::vector<uint8_t> b = good;
                b[at] ^= uint8_t(1 << bit);
                try {
                    auto blocks = ExpandAll(b);
                    ASSERT_EQ(blocks.size(), 1u);
                    EXPECT_EQ(blocks[0], raw) << at << ":" << bit;
                } catch (const ECompressError&) {
                    ++caught;
                }
            }
        }
        EXPECT_GT(caught, int(good.size()) * 3 / 2);
    }
}

TEST(Expander, RandomGarbageBehindAValidHeaderIsRefused) {
    std::mt19937 rng(14);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> b(20 + rng() % 200);
        for (auto& x : b)
            x = uint8_t(rng());
        PutLe32(b, 0, 0x41544144);
        PutLe32(b, 8, uint32_t(b.size() - 20));
        PutLe32(b, 12, rng() % 4000);
        PutLe32(b, 16, 1 + rng() % 4000);
        EXPECT_NE(ExpandError(b), "") << round;
    }
}

} // namespace
