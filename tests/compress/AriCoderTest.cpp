// The structured arithmetic coder: model states, exact coder output, decoding.

#include "CompressErrors.h"
#include "CompressTestSupport.h"
#include "FileStrucAriDecoderUnit.h"
#include "FileStrucAriEncoderUnit.h"
#include "GroupAriModelUnit.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

std::vector<int32_t> Table(const int32_t* t, int count) {
    return std::vector<int32_t>(t, t + count);
}

TEST(GroupAriModel, FreshModelOfGroupTwo) {
    TGroupAriModel m(2, 3, 256, 1);
    EXPECT_EQ(m.num_indices, 3);
    EXPECT_EQ(Table(m.freq, 4), (std::vector<int32_t>{0, 1, 1, 1}));
    EXPECT_EQ(Table(m.cum_freq, 4), (std::vector<int32_t>{3, 2, 1, 0}));
}

TEST(GroupAriModel, CodingGroupSevenOnceExchangesIndicesOneAndEight) {
    THeadAriModel model;
    TGroupAriModel& head = *model.head_model;
    ASSERT_EQ(head.char_to_index[7], 8);
    head.Update(8);
    EXPECT_EQ(head.index_to_char[1], 7);
    EXPECT_EQ(head.char_to_index[7], 1);
    EXPECT_EQ(head.freq[1], 33);
    EXPECT_EQ(head.index_to_char[8], 0);
    EXPECT_EQ(head.char_to_index[0], 8);
    EXPECT_EQ(head.cum_freq[0], 42);
}

TEST(GroupAriModel, GroupFourHalvesAtItsLowLimit) {
    TGroupAriModel m(8, 15, 128, 1);
    for (int k = 0; k < 119; ++k)
        m.Update(m.char_to_index[3]);
    EXPECT_EQ(m.cum_freq[0], 128);
    EXPECT_EQ(m.freq[1], 120);
    m.Update(m.char_to_index[3]);
    EXPECT_EQ(m.freq[1], 61);
    for (int i = 2; i <= m.num_indices; ++i)
        EXPECT_EQ(m.freq[i], 1);
    EXPECT_EQ(m.cum_freq[0], 69);
    // cum_freq stays the sum of the frequencies above each index.
    for (int i = 0; i < m.num_indices; ++i)
        EXPECT_EQ(m.cum_freq[i], m.cum_freq[i + 1] + m.freq[i + 1]);
}

TEST(GroupAriModel, HeadModelHalvesAtFourThousandNinetySix) {
    THeadAriModel model;
    TGroupAriModel& head = *model.head_model;
    int updates = 0;
    while (head.cum_freq[0] < 4096) {
        head.Update(head.char_to_index[2]);
        ++updates;
    }
    EXPECT_EQ(updates, 128); // 10 + 128 * 32 = 4106
    const int32_t before = head.freq[1];
    head.Update(head.char_to_index[2]);
    EXPECT_EQ(head.freq[1], (before + 1) / 2 + 32);
    EXPECT_LT(head.cum_freq[0], 4096);
}

TEST(GroupAriModel, ResetReturnsToTheFreshState) {
    THeadAriModel used, fresh;
    std::mt19937 rng(3);
    for (int k = 0; k < 5000; ++k) {
        const int g = int(rng() % 9);
        used.head_model->Update(used.head_model->char_to_index[g]);
        if (g > 1) {
            TGroupAriModel& m = *used.sub_models[g];
            m.Update(m.char_to_index[rng() % unsigned(m.num_symbols)]);
        }
    }
    used.Reset();
    for (int g = 0; g < 9; ++g) {
        TGroupAriModel* a = g == 0 ? used.head_model.get() : used.sub_models[g].get();
        TGroupAriModel* b = g == 0 ? fresh.head_model.get() : fresh.sub_models[g].get();
        if (!a) continue;
        EXPECT_EQ(Table(a->freq, ARI_TABLE_SIZE), Table(b->freq, ARI_TABLE_SIZE));
        EXPECT_EQ(Table(a->cum_freq, ARI_TABLE_SIZE), Table(b->cum_freq, ARI_TABLE_SIZE));
        EXPECT_EQ(Table(a->index_to_char, ARI_TABLE_SIZE), Table(b->index_to_char, ARI_TABLE_SIZE));
        EXPECT_EQ(Table(a->char_to_index, ARI_TABLE_SIZE), Table(b->char_to_index, ARI_TABLE_SIZE));
    }
}

std::vector<uint8_t> EncodeValues(const std::vector<uint8_t>& values) {
    TScratchDir dir;
    const std::string name = dir.File("c.bin");
    {
        TBitFile f(name, fmCreate);
        std::vector<uint8_t> buffer(values.size() + 1);
        std::copy(values.begin(), values.end(), buffer.begin() + 1);
        TFileStrucAriEncoder encoder;
        encoder.EncodeBlock(f, buffer.data(), int32_t(values.size()));
        EXPECT_EQ(encoder.bits_to_follow, 0);
        EXPECT_EQ(encoder.model, nullptr);
    }
    return ReadWholeFile(name);
}

std::vector<uint8_t> DecodeValues(const std::vector<uint8_t>& coded, int32_t capacity = 500000) {
    TScratchDir dir;
    const std::string name = dir.File("d.bin");
    WriteWholeFile(name, coded);
    TBitFile f(name, fmOpenRead);
    f.SetReadLimit(int32_t(coded.size()));
    std::vector<uint8_t> out(size_t(capacity) + 1);
    TFileStrucAriDecoder decoder;
    const int32_t n = decoder.DecodeBlock(f, out.data(), capacity);
    out.resize(size_t(n));
    return out;
}

TEST(AriCoder, OutputsOfTheFormat) {
    EXPECT_EQ(EncodeValues({97}), (std::vector<uint8_t>{0x3F, 0x05, 0xCC}));
    EXPECT_EQ(EncodeValues(std::vector<uint8_t>(10, 0)),
              (std::vector<uint8_t>{0xD4, 0x75, 0x89, 0x80}));
    EXPECT_EQ(EncodeValues({97, 110, 0, 99, 2, 0}),
              (std::vector<uint8_t>{0x3F, 0x2D, 0x72, 0x7A, 0xB9, 0xD1, 0x65}));
}

TEST(AriCoder, DecodesWhatItCoded) {
    EXPECT_EQ(DecodeValues({0x3F, 0x05, 0xCC}), (std::vector<uint8_t>{97}));
    EXPECT_EQ(DecodeValues({0xD4, 0x75, 0x89, 0x80}), std::vector<uint8_t>(10, 0));
    std::mt19937 rng(99);
    for (int round = 0; round < 40; ++round) {
        std::vector<uint8_t> values(1 + rng() % 30000);
        for (auto& v : values) {
            const unsigned r = rng() % 100;
            v = r < 50   ? 0
                : r < 80 ? uint8_t(1 + rng() % 3)
                : r < 95 ? uint8_t(rng() % 40)
                         : uint8_t(rng());
        }
        ASSERT_EQ(DecodeValues(EncodeValues(values)), values) << round;
    }
}

TEST(AriCoder, ZeroRunDigitsFollowTheTable) {
    // Runs of 1..7 zeros between two non-zero values, decoded back exactly.
    for (int run = 1; run <= 7; ++run) {
        std::vector<uint8_t> values = {5};
        values.insert(values.end(), size_t(run), 0);
        values.push_back(7);
        ASSERT_EQ(DecodeValues(EncodeValues(values)), values) << run;
    }
    std::vector<uint8_t> long_run(409600, 0);
    EXPECT_EQ(DecodeValues(EncodeValues(long_run)), long_run);
}

TEST(AriCoder, StreamsThatDoNotEndInTimeRaise) {
    std::vector<uint8_t> coded = EncodeValues(std::vector<uint8_t>(1000, 3));
    EXPECT_THROW(DecodeValues(coded, 999), EDataCorrupt);
    EXPECT_EQ(DecodeValues(coded, 1000).size(), 1000u);
    std::vector<uint8_t> runs = EncodeValues(std::vector<uint8_t>(1000, 0));
    EXPECT_THROW(DecodeValues(runs, 999), EDataCorrupt);
    // Random bytes: the decoder ends with an error or a short block, never out of bounds.
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round) {
        std::vector<uint8_t> junk(1 + rng() % 64);
        for (auto& b : junk)
            b = uint8_t(rng());
        try {
            DecodeValues(junk, 4096);
        } catch (const EDataCorrupt&) {
        }
    }
}

} // namespace
