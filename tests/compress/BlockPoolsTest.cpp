// Blocks coded on several threads: the same bytes as one encoder gives, in the order they went
// in; failures come back with their own block; a pool left with work in flight ends cleanly.

#include "BlockPoolsUnit.h"
#include "CompressErrors.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// Blocks of different sizes and contents, so that workers finish out of order.
std::vector<std::vector<uint8_t>> MixedBlocks(int count) {
    std::mt19937 rng(17);
    std::vector<std::vector<uint8_t>> blocks;
    for (int k = 0; k < count; ++k) {
        const size_t n = k % 4 == 0 ? size_t(BLOCK_SIZE) : 1 + rng() % 70000;
        std::vector<uint8_t> b(n);
        for (size_t i = 0; i < n; ++i)
            b[i] = k % 2 ? uint8_t(rng()) : uint8_t("glimmer drome "[(i * 7 + k) % 14]);
        blocks.push_back(std::move(b));
    }
    return blocks;
}

std::vector<std::vector<uint8_t>> EncodeAll(const std::vector<std::vector<uint8_t>>& blocks,
                                            int threads) {
    TBlockEncoderPool pool(threads);
    std::vector<std::vector<uint8_t>> coded;
    auto take = [&] {
        coded.push_back(pool.Take().coded);
        pool.Release();
    };
    for (const auto& b : blocks) {
        if (pool.Full()) take();
        pool.Prepare().raw = b;
        pool.Submit();
    }
    while (pool.InFlight() > 0)
        take();
    return coded;
}

TEST(BlockPools, EveryThreadCountGivesTheBytesOfOneEncoder) {
    const auto blocks = MixedBlocks(8);
    TBlockEncoder single;
    std::vector<std::vector<uint8_t>> expected;
    for (const auto& b : blocks) {
        std::vector<uint8_t> out;
        single.EncodeBlock(b, out);
        expected.push_back(out);
    }
    for (int threads : {1, 2, 3})
        EXPECT_EQ(EncodeAll(blocks, threads), expected) << threads << " threads";
}

TEST(BlockPools, DecodersGiveTheBlocksBackInOrder) {
    const auto blocks = MixedBlocks(11);
    const auto coded = EncodeAll(blocks, 2);
    for (int threads : {1, 4}) {
        TBlockDecoderPool pool(threads);
        std::vector<std::vector<uint8_t>> back;
        for (size_t k = 0; k < coded.size(); ++k) {
            if (pool.Full()) {
                back.push_back(pool.Take().raw);
                pool.Release();
            }
            TBlockDecodeJob& job = pool.Prepare();
            job.coded = coded[k];
            job.expected_size = int32_t(blocks[k].size());
            pool.Submit();
        }
        while (pool.InFlight() > 0) {
            back.push_back(pool.Take().raw);
            pool.Release();
        }
        EXPECT_EQ(back, blocks) << threads << " threads";
    }
}

// A damaged block raises when its own turn comes, after the sound blocks before it, and the
// pool goes on with the blocks after it.
TEST(BlockPools, AFailureComesBackWithItsBlock) {
    const auto blocks = MixedBlocks(6);
    auto coded = EncodeAll(blocks, 2);
    coded[3][30] ^= 0x5A; // inside the payload: the CRC cannot match
    for (int threads : {1, 3}) {
        TBlockDecoderPool pool(threads);
        size_t taken = 0;
        auto take = [&] {
            if (taken == 3)
                EXPECT_THROW(pool.Take(), ECompressError) << threads;
            else
                EXPECT_EQ(pool.Take().raw, blocks[taken]) << threads << " block " << taken;
            pool.Release();
            ++taken;
        };
        for (const auto& c : coded) {
            if (pool.Full()) take();
            pool.Prepare().coded = c;
            pool.Submit();
        }
        while (pool.InFlight() > 0)
            take();
        EXPECT_EQ(taken, coded.size());
    }
}

TEST(BlockPools, APoolEndsWithWorkStillInFlight) {
    const auto blocks = MixedBlocks(int(2 * BLOCKS_IN_FLIGHT_PER_THREAD));
    for (int threads : {1, 2}) {
        TBlockEncoderPool pool(threads);
        for (const auto& b : blocks) {
            if (pool.Full()) break;
            pool.Prepare().raw = b;
            pool.Submit();
        }
        EXPECT_TRUE(pool.Full());
    } // the destructor must neither hang nor leak
}

// Dropping everything in flight, even a failed job, leaves the pool as good as new: the jobs
// after it come back in order with their own results.
TEST(BlockPools, DroppingWorkInFlightLeavesAPoolThatWorks) {
    const auto blocks = MixedBlocks(6);
    const auto expected = EncodeAll(blocks, 1);
    for (int threads : {1, 2, 3}) {
        TBlockEncoderPool pool(threads);
        for (int round = 0; round < 3; ++round) {
            for (size_t k = 0; k < 3 && !pool.Full(); ++k) {
                pool.Prepare().raw = round == 1 && k == 0 ? std::vector<uint8_t>() : blocks[k];
                pool.Submit();
            }
            if (round == 1) {
                EXPECT_THROW(pool.Take(), std::out_of_range);
            }
            pool.DropAll();
            EXPECT_EQ(pool.InFlight(), 0u);
        }
        std::vector<std::vector<uint8_t>> coded;
        for (const auto& b : blocks) {
            if (pool.Full()) {
                coded.push_back(pool.Take().coded);
                pool.Release();
            }
            pool.Prepare().raw = b;
            pool.Submit();
        }
        while (pool.InFlight() > 0) {
            coded.push_back(pool.Take().coded);
            pool.Release();
        }
        EXPECT_EQ(coded, expected) << threads << " threads";
    }
}

TEST(BlockPools, ThreadCountsOfTheCommandLine) {
    EXPECT_EQ(ParseThreadCount("1"), 1);
    EXPECT_EQ(ParseThreadCount("12"), 12);
    EXPECT_EQ(ParseThreadCount(std::to_string(MAX_THREAD_COUNT)), MAX_THREAD_COUNT);
    for (const char* bad : {"", "0", "-1", "+2", "2x", " 2", "257", "99999999999"})
        EXPECT_EQ(ParseThreadCount(bad), 0) << bad;
}

} // namespace
