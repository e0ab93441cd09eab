#pragma once
// Blocks that stress suffix sorters, and the two sorters side by side: the prefix-doubling
// TFastSorter is the reference for the order the induced sorter must give.

#include "BlockManUnit.h"
#include "FSortUnit.h"
#include "InducedSortUnit.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

inline std::vector<int32_t> ReferenceOrder(const std::vector<uint8_t>& x) {
    static TBlockMan buffers;
    std::copy(x.begin(), x.end(), buffers.block_buf + 1);
    TFastSorter sorter(buffers);
    sorter.SortSuffixes(buffers.block_buf, buffers.index_buf, int32_t(x.size()));
    return std::vector<int32_t>(buffers.index_buf, buffers.index_buf + x.size() + 1);
}

// The order, with the transform the sorter reads out beside it checked against that order:
// every row's byte before its suffix, and the rows of the whole block and of the suffix from x[1].
inline std::vector<int32_t> InducedOrder(TInducedSorter& sorter, const std::vector<uint8_t>& x) {
    std::vector<uint8_t> block(x.size() + 1);
    std::copy(x.begin(), x.end(), block.begin() + 1);
    std::vector<int32_t> index(x.size() + 1, -7);
    std::vector<uint8_t> bytes(x.size() + 1, 0xA5);
    TInducedSorter::TRowBytes rows{bytes.data(), -1, -1};
    sorter.SortSuffixes(block.data(), index.data(), int32_t(x.size()), rows);
    for (size_t r = 0; r < index.size(); ++r) {
        const int32_t p = index[r];
        if (p == 0) {
            EXPECT_EQ(rows.whole_row, int32_t(r));
        } else if (p > 0 && size_t(p) <= x.size() && bytes[r] != x[size_t(p) - 1]) {
            ADD_FAILURE() << "row " << r << " of " << index.size() << ": byte " << int(bytes[r])
                          << ", wanted " << int(x[size_t(p) - 1]);
            break;
        }
        if (p == 1) {
            EXPECT_EQ(rows.second_row, int32_t(r));
        }
    }
    return index;
}

// The shapes a block-sorting compressor meets or is attacked with, at any length.
enum class TBlockShape {
    Random,
    SmallAlphabet, // four letters
    Text,          // words with spaces and newlines
    Binary,        // runs of zeros, small integers and sparse noise, like program files
    AllEqual,
    Period2,
    Period3,
    Period17,
    Period1000,
    Fibonacci,      // long repeats at irrational distances
    Descending,     // every suffix of type L
    Ascending,      // one long S run into a single L
    LastPairRepeats // the last byte followed by byte 0 elsewhere, many times
};

inline const TBlockShape ALL_SHAPES[] = {
    TBlockShape::Random,         TBlockShape::SmallAlphabet, TBlockShape::Text,
    TBlockShape::Binary,         TBlockShape::AllEqual,      TBlockShape::Period2,
    TBlockShape::Period3,        TBlockShape::Period17,      TBlockShape::Period1000,
    TBlockShape::Fibonacci,      TBlockShape::Descending,    TBlockShape::Ascending,
    TBlockShape::LastPairRepeats};

inline std::vector<uint8_t> MakeBlock(TBlockShape shape, size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> x(n);
    switch (shape) {
    case TBlockShape::Random:
        for (auto& b : x)
            b = uint8_t(rng());
        break;
    case TBlockShape::SmallAlphabet:
        for (auto& b : x)
            b = uint8_t('a' + rng() % 4);
        break;
    case TBlockShape::Text: {
        static const char* const words[] = {"the ",   "of ", "saver", "glimmer", "drome ", "\n",
                                            "frame ", "a ",  "an ",   "and ",    "movie"};
        size_t i = 0;
        while (i < n) {
            const std::string w = words[rng() % 11];
            for (char c : w)
                if (i < n) x[i++] = uint8_t(c);
        }
        break;
    }
    case TBlockShape::Binary:
        for (size_t i = 0; i < n; ++i) {
            const uint32_t r = rng() % 100;
            x[i] = r < 60 ? 0 : r < 90 ? uint8_t(rng() % 8) : uint8_t(rng());
        }
        break;
    case TBlockShape::AllEqual:
        std::fill(x.begin(), x.end(), uint8_t(seed));
        break;
    case TBlockShape::Period2:
    case TBlockShape::Period3:
    case TBlockShape::Period17:
    case TBlockShape::Period1000: {
        const size_t period = shape == TBlockShape::Period2    ? 2
                              : shape == TBlockShape::Period3  ? 3
                              : shape == TBlockShape::Period17 ? 17
                                                               : 1000;
        std::vector<uint8_t> unit(period);
        for (auto& b : unit)
            b = uint8_t(rng() % 3 == 0 ? rng() % 4 : rng());
        for (size_t i = 0; i < n; ++i)
            x[i] = unit[i % period];
        break;
    }
    case TBlockShape::Fibonacci: {
        std::string f0 = "b", f1 = "a";
        while (f1.size() < n) {
            std::string f2 = f1 + f0;
            f0 = std::move(f1);
            f1 = std::move(f2);
        }
        std::copy(f1.begin(), f1.begin() + std::ptrdiff_t(n), x.begin());
        break;
    }
    case TBlockShape::Descending:
        for (size_t i = 0; i < n; ++i)
            x[i] = uint8_t(255 - (i * 256 / (n + 1)));
        break;
    case TBlockShape::Ascending:
        for (size_t i = 0; i < n; ++i)
            x[i] = uint8_t(i * 255 / (n + 1));
        if (n > 1) x[n - 1] = 0; // the last byte below its predecessor
        break;
    case TBlockShape::LastPairRepeats:
        for (size_t i = 0; i < n; ++i)
            x[i] = rng() % 3 == 0 ? 0 : uint8_t('b' + rng() % 2);
        if (n > 0) x[n - 1] = 'b';
        break;
    }
    return x;
}
