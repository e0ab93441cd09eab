// The block codec over memory: the same bytes as the file path on the format's vectors and on
// the golden mixture, blocks read back one after the other from one span, and encoders that
// share nothing, so each thread may have its own.

#include "BWTCompressUnit.h"
#include "BlockDecoderUnit.h"
#include "BlockEncoderUnit.h"
#include "CRC32Unit.h"
#include "CompressErrors.h"
#include "CompressTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <thread>
#include <vector>

std::vector<uint8_t> GoldenMixture(); // GoldenTest.cpp

namespace {

std::vector<std::vector<uint8_t>> Blocks(const std::vector<uint8_t>& data) {
    std::vector<std::vector<uint8_t>> blocks;
    for (size_t at = 0; at < data.size(); at += BLOCK_SIZE)
        blocks.emplace_back(data.begin() + long(at),
                            data.begin() + long(std::min(data.size(), at + BLOCK_SIZE)));
    return blocks;
}

std::vector<uint8_t> ThroughFile(const std::vector<std::vector<uint8_t>>& blocks) {
    TScratchDir dir;
    const std::string name = dir.File("f.bin");
    {
        TBitFile f(name, fmCreate);
        TCompressor compressor;
        for (const auto& raw : blocks) {
            std::memcpy(compressor.GetInputBuffer() + 1, raw.data(), raw.size());
            compressor.CompressBlock(int32_t(raw.size()), f);
        }
        f.FlushBuffer();
    }
    return ReadWholeFile(name);
}

std::vector<uint8_t> ThroughMemory(const std::vector<std::vector<uint8_t>>& blocks,
                                   TBlockEncoder& encoder) {
    std::vector<uint8_t> out;
    for (const auto& raw : blocks)
        encoder.EncodeBlock(raw, out);
    return out;
}

TEST(BlockCodec, MemoryAndFileGiveTheFormatsBytes) {
    const std::vector<std::vector<uint8_t>> vectors = {
        {0x61}, {0x62, 0x61, 0x6E, 0x61, 0x6E, 0x61}, std::vector<uint8_t>(10, 0)};
    TBlockEncoder encoder;
    for (const auto& raw : vectors) {
        std::vector<uint8_t> memory;
        const TDataBlockInfo info = encoder.EncodeBlock(raw, memory);
        EXPECT_EQ(memory, ThroughFile({raw}));
        EXPECT_EQ(size_t(info.compressed_size) + 20, memory.size());
    }
    std::vector<uint8_t> one;
    encoder.EncodeBlock(std::vector<uint8_t>{0x61}, one);
    EXPECT_EQ(one, (std::vector<uint8_t>{0x44, 0x41, 0x54, 0x41, 0x43, 0xBE, 0xB7, 0xE8,
                                         0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0x01, 0x00, 0x00, 0x00, 0x3F, 0x05, 0xCC}));
}

// Where the machine has 512-bit vectors the block loops are built twice; each build must give
// the recorded bytes and read back what the other wrote.
TEST(BlockCodec, GoldenMixtureIsTheSameInMemoryAndThroughTheFile) {
    const auto blocks = Blocks(GoldenMixture());
    const std::vector<uint8_t> file = ThroughFile(blocks);
    for (bool wide : LoopBuilds()) {
        SCOPED_TRACE(wide ? "wide" : "plain");
        TBlockEncoder encoder;
        encoder.UseWideVectors(wide);
        const std::vector<uint8_t> memory = ThroughMemory(blocks, encoder);
        EXPECT_EQ(memory, file);
        TCRC32 crc;
        crc.Update(memory.data(), memory.size());
        EXPECT_EQ(memory.size(), 252535u);
        EXPECT_EQ(crc.Value(), 0x271CAF89u);

        // Read back block after block from the one span, by the other build.
        TBlockDecoder decoder;
        decoder.UseWideVectors(!wide);
        std::span<const uint8_t> rest(memory);
        for (const auto& raw : blocks) {
            EXPECT_EQ(decoder.DecodeBlock(rest, int32_t(raw.size())), raw);
            rest = rest.subspan(decoder.BlockLength());
        }
        EXPECT_TRUE(rest.empty());
    }
}

// Encoders keep nothing in common: two threads coding different data at once each get the
// bytes a lone encoder gives.
TEST(BlockCodec, EncodersOnTwoThreadsShareNothing) {
    std::mt19937 rng(3);
    std::vector<std::vector<uint8_t>> a, b;
    for (int k = 0; k < 6; ++k) {
        std::vector<uint8_t> x(size_t(20000 + rng() % 40000)), y(size_t(1 + rng() % 30000));
        for (auto& c : x)
            c = uint8_t('a' + rng() % 5);
        for (auto& c : y)
            c = uint8_t(rng());
        a.push_back(std::move(x));
        b.push_back(std::move(y));
    }
    TBlockEncoder lone;
    const std::vector<uint8_t> expect_a = ThroughMemory(a, lone);
    const std::vector<uint8_t> expect_b = ThroughMemory(b, lone);
    std::vector<uint8_t> got_a, got_b;
    std::thread first([&] {
        TBlockEncoder mine;
        for (int round = 0; round < 3; ++round)
            got_a = ThroughMemory(a, mine);
    });
    std::thread second([&] {
        TBlockEncoder mine;
        for (int round = 0; round < 3; ++round)
            got_b = ThroughMemory(b, mine);
    });
    first.join();
    second.join();
    EXPECT_EQ(got_a, expect_a);
    EXPECT_EQ(got_b, expect_b);
}

TEST(BlockCodec, SpansCutShortAreRefusedWithoutReadingPastThem) {
    TBlockEncoder encoder;
    std::vector<uint8_t> good;
    const std::vector<uint8_t> raw(3000, 'q');
    encoder.EncodeBlock(raw, good);
    TBlockDecoder decoder;
    for (size_t keep = 0; keep < good.size(); ++keep) {
        // A copy of exactly keep bytes, so the sanitizer sees any read beyond them.
        const std::vector<uint8_t> cut(good.begin(), good.begin() + long(keep));
        EXPECT_THROW(decoder.DecodeBlock(cut), ECompressError) << keep;
    }
    EXPECT_EQ(decoder.DecodeBlock(good), raw);
    std::vector<uint8_t> out;
    EXPECT_THROW(encoder.EncodeBlock(std::span<const uint8_t>(), out), std::out_of_range);
    EXPECT_TRUE(out.empty());
}

} // namespace
