// Move-to-front coding: the list discipline, the block paths against the byte paths.

#include "CompressTestSupport.h"
#include "MTFDecoderUnit.h"
#include "MTFEncoderUnit.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

void ExpectConsistent(const TMTFBase& m) {
    for (int c = 0; c < 256; ++c)
        ASSERT_EQ(m.list[m.position[c]], c);
}

TEST(MTF, EncodeMovesToFront) {
    TMTFEncoder e;
    e.Reset();
    EXPECT_EQ(e.Encode(98), 98);
    EXPECT_EQ(e.Encode(97), 98);
    EXPECT_EQ(e.Encode(97), 0);
    ExpectConsistent(e);
    TMTFEncoder f;
    uint8_t list_before[256];
    std::copy(f.list, f.list + 256, list_before);
    EXPECT_EQ(f.Encode(0), 0);
    EXPECT_TRUE(std::equal(f.list, f.list + 256, list_before));
    EXPECT_EQ(f.Encode(255), 255);
    EXPECT_EQ(f.list[0], 255);
    for (int k = 1; k < 256; ++k)
        EXPECT_EQ(f.list[k], k - 1);
    ExpectConsistent(f);
}

TEST(MTF, BananaTransformGivesTheDesignValues) {
    TMTFEncoder e;
    std::vector<uint8_t> values;
    for (uint8_t c : {0x61, 0x6E, 0x6E, 0x62, 0x61, 0x61})
        values.push_back(e.Encode(c));
    EXPECT_EQ(values, (std::vector<uint8_t>{97, 110, 0, 99, 2, 0}));
}

TEST(MTF, BlockPathsEqualBytePathsAndInvert) {
    std::mt19937 rng(4);
    std::vector<uint8_t> data(20000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = i % 3 == 0 ? uint8_t(rng()) : uint8_t(rng() % 5 + 100);
    TMTFEncoder slow;
    std::vector<uint8_t> expected;
    for (uint8_t c : data)
        expected.push_back(slow.Encode(c));
    for (bool wide : LoopBuilds()) {
        SCOPED_TRACE(wide ? "wide" : "plain");
        TMTFEncoder fast;
        fast.UseWideVectors(wide);
        std::vector<uint8_t> coded = data;
        fast.EncodeBuffer(coded.data(), int32_t(coded.size()));
        EXPECT_EQ(coded, expected);
        EXPECT_TRUE(std::equal(fast.list, fast.list + 256, slow.list));
        ExpectConsistent(fast);

        TMTFDecoder d1, d2;
        d2.UseWideVectors(wide);
        std::vector<uint8_t> decoded;
        for (uint8_t k : coded)
            decoded.push_back(d1.Decode(k));
        EXPECT_EQ(decoded, data);
        d2.DecodeBuffer(coded.data(), int32_t(coded.size()));
        EXPECT_EQ(coded, data);
        ExpectConsistent(d2);
    }
}

} // namespace
