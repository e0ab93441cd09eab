// The suffix sorter: the orders of the design's vectors, and agreement with a plain comparison
// sort on inputs built to stress the refinement (small alphabets, runs, periods).

#include "BlockManUnit.h"
#include "FSortUnit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<int32_t> Sort(const std::vector<uint8_t>& x) {
    static TBlockMan buffers;
    uint8_t* block = buffers.block_buf;
    std::copy(x.begin(), x.end(), block + 1);
    TFastSorter sorter(buffers);
    sorter.SortSuffixes(block, buffers.index_buf, int32_t(x.size()));
    return std::vector<int32_t>(buffers.index_buf, buffers.index_buf + x.size() + 1);
}

std::vector<int32_t> PlainSort(const std::vector<uint8_t>& x) {
    std::vector<int32_t> order(x.size() + 1);
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int32_t(i);
    std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
        return std::lexicographical_compare(x.begin() + a, x.end(), x.begin() + b, x.end());
    });
    return order;
}

std::vector<uint8_t> Bytes(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

TEST(FastSorter, VectorsOfTheFormat) {
    EXPECT_EQ(Sort(Bytes("a")), (std::vector<int32_t>{1, 0}));
    EXPECT_EQ(Sort(Bytes("ab")), (std::vector<int32_t>{2, 0, 1}));
    EXPECT_EQ(Sort(Bytes("aa")), (std::vector<int32_t>{2, 1, 0}));
    EXPECT_EQ(Sort(Bytes("banana")), (std::vector<int32_t>{6, 5, 3, 1, 0, 4, 2}));
}

// The last suffix (b, then the end) precedes every suffix starting with b followed by 0.
TEST(FastSorter, LastSuffixSortsBeforeItsBucket) {
    std::vector<uint8_t> x = {'b', 0, 'b', 0, 0, 'a', 'b'};
    EXPECT_EQ(Sort(x), PlainSort(x));
    EXPECT_EQ(Sort(x)[5], 6); // after the empty suffix, 0 0 a b, 0 a b, 0 b.., a b
}

TEST(FastSorter, AllByteValuesAscending) {
    std::vector<uint8_t> x(256);
    for (int i = 0; i < 256; ++i)
        x[size_t(i)] = uint8_t(i);
    std::vector<int32_t> expected(257);
    expected[0] = 256;
    for (int i = 0; i < 256; ++i)
        expected[size_t(i) + 1] = i;
    EXPECT_EQ(Sort(x), expected);
}

TEST(FastSorter, LongRunOfEqualBytesSortsShortestFirst) {
    const int32_t n = 409600;
    std::vector<uint8_t> x(size_t(n), 0x5A);
    std::vector<int32_t> order = Sort(x);
    for (int32_t j = 0; j <= n; ++j)
        ASSERT_EQ(order[size_t(j)], n - j) << j;
}

TEST(FastSorter, PeriodicBlocksMatchTheDirectOrder) {
    // For a block of period k the order follows from the phase and the length alone; checked
    // against the plain sort on a short block of the same shape.
    for (int period : {2, 3, 7, 16}) {
        std::vector<uint8_t> x(4096);
        for (size_t i = 0; i < x.size(); ++i)
            x[i] = uint8_t("abcabdxyzzyxqrst"[i % size_t(period)]);
        EXPECT_EQ(Sort(x), PlainSort(x)) << "period " << period;
    }
}

TEST(FastSorter, AgreesWithPlainSortOnRandomSmallBlocks) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 3000; ++round) {
        const size_t n = 1 + rng() % 300;
        const int alphabet = std::vector<int>{1, 2, 3, 4, 16, 256}[size_t(round) % 6];
        std::vector<uint8_t> x(n);
        const int style = round % 4;
        for (size_t i = 0; i < n; ++i) {
            if (style == 1 && i > 0 && rng() % 8 != 0)
                x[i] = x[i - 1]; // runs
            else if (style == 2 && i >= 5 && rng() % 10 != 0)
                x[i] = x[i - 5]; // near-period 5
            else if (style == 3)
                x[i] = uint8_t(rng() % 2 ? 0 : 255); // the extremes
            else
                x[i] = uint8_t(rng() % unsigned(alphabet));
        }
        ASSERT_EQ(Sort(x), PlainSort(x)) << "round " << round << " n " << n;
    }
}

TEST(FastSorter, AgreesWithPlainSortOnLargerStructuredBlocks) {
    std::mt19937 rng(777);
    // Fibonacci words and repeated random phrases give many long repeats at odd distances.
    std::string f0 = "a", f1 = "ab";
    while (f1.size() < 20000) {
        std::string f2 = f1 + f0;
        f0 = f1;
        f1 = f2;
    }
    EXPECT_EQ(Sort(Bytes(f1)), PlainSort(Bytes(f1)));
    std::vector<uint8_t> phrase(37);
    for (auto& b : phrase)
        b = uint8_t(rng() % 4);
    std::vector<uint8_t> x;
    while (x.size() < 30000) {
        x.insert(x.end(), phrase.begin(), phrase.end());
        if (rng() % 5 == 0) x.push_back(uint8_t(rng() % 4));
    }
    EXPECT_EQ(Sort(x), PlainSort(x));
}

} // namespace

namespace {

// The pair sort under every depth budget, the heapsort fallback included, on key patterns that
// defeat median-of-three pivots.
TEST(FastSorter, KeyedPairSortIsCorrectUnderEveryBudget) {
    std::mt19937 rng(9);
    for (int pattern = 0; pattern < 4; ++pattern) {
        for (int budget : {0, 1, 3, 40}) {
            const int32_t n = 5000;
            std::vector<int32_t> keys(n), index(n);
            for (int32_t i = 0; i < n; ++i) {
                switch (pattern) {
                case 0:
                    keys[size_t(i)] = int32_t(rng() % 50);
                    break;
                case 1:
                    keys[size_t(i)] = i < n / 2 ? 2 * i : 2 * (n - i) - 1;
                    break; // organ pipe
                case 2:
                    keys[size_t(i)] = n - i;
                    break;
                default:
                    keys[size_t(i)] = i % 2 ? i : 7;
                    break;
                }
                index[size_t(i)] = i;
            }
            const std::vector<int32_t> original = keys;
            TFastSorter::SortKeyedPairs(keys.data(), index.data(), 0, n - 1, budget);
            ASSERT_TRUE(std::is_sorted(keys.begin(), keys.end())) << pattern << "/" << budget;
            std::vector<bool> seen(size_t(n), false);
            for (int32_t j = 0; j < n; ++j) {
                ASSERT_EQ(keys[size_t(j)], original[size_t(index[size_t(j)])]);
                ASSERT_FALSE(seen[size_t(index[size_t(j)])]);
                seen[size_t(index[size_t(j)])] = true;
            }
        }
    }
}

} // namespace
