// The induced sorter gives the reference sorter's order: the format's vectors, the rule for the
// end of the block, and every shape at the lengths where the sorter's cases change (no B*
// suffix at all, one, names that repeat, recursion on the ranks).

#include "InducedSorterSupport.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> Bytes(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

TEST(InducedSorter, VectorsOfTheFormat) {
    TInducedSorter sorter;
    EXPECT_EQ(InducedOrder(sorter, Bytes("a")), (std::vector<int32_t>{1, 0}));
    EXPECT_EQ(InducedOrder(sorter, Bytes("ab")), (std::vector<int32_t>{2, 0, 1}));
    EXPECT_EQ(InducedOrder(sorter, Bytes("aa")), (std::vector<int32_t>{2, 1, 0}));
    EXPECT_EQ(InducedOrder(sorter, Bytes("banana")), (std::vector<int32_t>{6, 5, 3, 1, 0, 4, 2}));
    // Without the transform read out, the same order.
    const uint8_t banana[] = "?banana";
    std::vector<int32_t> index(7);
    sorter.SortSuffixes(banana, index.data(), 6);
    EXPECT_EQ(index, (std::vector<int32_t>{6, 5, 3, 1, 0, 4, 2}));
}

// The last suffix, one byte then the end, sorts before every suffix of that byte followed by 0,
// also when such pairs are B* substrings' bounds.
TEST(InducedSorter, LastSuffixPrecedesItsBucket) {
    TInducedSorter sorter;
    for (const std::string& s : {std::string("b\0b\0\0ab", 7), std::string("\0b\0b\0b", 6),
                                 std::string("ab\0ab\0ab", 8), std::string("\x01\0\x01", 3)}) {
        const std::vector<uint8_t> x = Bytes(s);
        EXPECT_EQ(InducedOrder(sorter, x), ReferenceOrder(x)) << "length " << s.size();
    }
}

TEST(InducedSorter, EveryShapeAtSmallLengths) {
    TInducedSorter sorter; // reused on purpose: nothing may carry over from one block
    for (TBlockShape shape : ALL_SHAPES)
        for (size_t n = 1; n <= 70; ++n)
            for (uint32_t seed : {1u, 2u}) {
                const std::vector<uint8_t> x = MakeBlock(shape, n, seed);
                ASSERT_EQ(InducedOrder(sorter, x), ReferenceOrder(x))
                    << "shape " << int(shape) << " length " << n << " seed " << seed;
            }
}

// Small blocks set up only the parts of the tables their bytes use; a small block right after a
// large one must not read what the large one left.
TEST(InducedSorter, EveryShapeAtMediumLengths) {
    TInducedSorter sorter;
    for (TBlockShape shape : ALL_SHAPES)
        for (size_t n : {255u, 70000u, 256u, 1000u, 1001u, 4097u, 20000u}) {
            const std::vector<uint8_t> x = MakeBlock(shape, n, uint32_t(n));
            ASSERT_EQ(InducedOrder(sorter, x), ReferenceOrder(x))
                << "shape " << int(shape) << " length " << n;
        }
}

// Random blocks over tiny alphabets make many equal substrings and deep recursion on ranks.
TEST(InducedSorter, RandomSmallAlphabets) {
    TInducedSorter sorter;
    std::mt19937 rng(4242);
    for (int round = 0; round < 2000; ++round) {
        const size_t n = 1 + rng() % 400;
        const uint32_t alphabet = std::vector<uint32_t>{1, 2, 3, 5, 256}[size_t(round) % 5];
        std::vector<uint8_t> x(n);
        for (size_t i = 0; i < n; ++i) {
            if (round % 3 == 1 && i >= 7 && rng() % 12 != 0)
                x[i] = x[i - 7];
            else
                x[i] = uint8_t(rng() % alphabet * (256 / alphabet));
        }
        ASSERT_EQ(InducedOrder(sorter, x), ReferenceOrder(x)) << "round " << round;
    }
}

TEST(InducedSorter, IntegerSortMatchesAPlainSort) {
    std::mt19937 rng(77);
    for (int round = 0; round < 500; ++round) {
        const int32_t n = 1 + int32_t(rng() % 300);
        const int32_t alphabet = 1 + int32_t(rng() % 6);
        std::vector<int32_t> s(static_cast<size_t>(n));
        for (auto& v : s)
            v = int32_t(rng() % uint32_t(alphabet));
        std::vector<int32_t> sa(static_cast<size_t>(n)), expected(static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i)
            expected[size_t(i)] = i;
        std::sort(expected.begin(), expected.end(), [&](int32_t a, int32_t b) {
            return std::lexicographical_compare(s.begin() + a, s.end(), s.begin() + b, s.end());
        });
        TInducedSorter::SortIntegers(s.data(), sa.data(), n, alphabet);
        ASSERT_EQ(sa, expected) << "round " << round;
    }
}

} // namespace
