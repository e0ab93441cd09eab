#pragma once
// Suffix sorting by induction, in two stages.
//
// Every suffix is of type S (smaller than the suffix one byte further on) or L (larger); the
// end of the block counts as smaller than every byte, so the last suffix is of type L. The S
// suffixes followed by an L suffix (here "B*") are sorted first, by comparing the substrings
// between them and, where those tie, by sorting the string of the substrings' ranks with SA-IS.
// The order of every other suffix then follows by induction: the S suffixes from right to left
// out of the B* suffixes, the L suffixes from left to right out of everything.
//
// The order produced is the one of TFastSorter, which stays as the reference: all suffixes of
// x[0..n-1] plus the empty suffix at n, byte by byte as unsigned values, the end of the block
// lower than every byte. The time is linear in n whatever the content.

#include <cstdint>
#include <memory>
#include <vector>

class TInducedSorter {
public:
    TInducedSorter();
    ~TInducedSorter();
    TInducedSorter(const TInducedSorter&) = delete;
    TInducedSorter& operator=(const TInducedSorter&) = delete;

    // block is 1-based (x[i] at block[i + 1]); 1 <= n <= MAX_BLOCK_SIZE. On return
    // index[0..n] holds the n + 1 suffix positions in sorted order (index[0] = n).
    void SortSuffixes(const uint8_t* block, int32_t* index, int32_t n);

    // The block-sorting transform, read out while the last pass visits every row anyway.
    struct TRowBytes {
        uint8_t* bytes;         // in: room for n + 1 bytes; out: the byte before each row's suffix
        int32_t whole_row = 0;  // out: the row of the whole block, which has no byte before it
        int32_t second_row = 0; // out: the row of the suffix from x[1]
    };
    // SortSuffixes, and rows.bytes[r] = x[index[r] - 1] for every row r of 0..n but the whole
    // block's, whose byte is left as it was.
    void SortSuffixes(const uint8_t* block, int32_t* index, int32_t n, TRowBytes& rows);

    // Suffix array of an integer string s[0..n-1] with values 0..alphabet-1, the end lower than
    // every value (SA-IS). sa receives the n positions; the empty suffix is not listed.
    static void SortIntegers(const int32_t* s, int32_t* sa, int32_t n, int32_t alphabet);

private:
    struct TStar {
        int32_t pos; // start of the B* suffix
        int32_t len; // length of its window
    };
    void SortBStar(const uint8_t* x, int32_t n);
    int32_t SortWindows(const uint8_t* x, int32_t n, int32_t r);
    void SortSubstrings(int32_t lo, int32_t hi);
    void RadixSortKeys(int32_t lo, int32_t hi);
    // Up to seven bytes of star's substring from depth d, big-endian, then how many of them
    // are real: compares like the substrings themselves, an ended substring lowest.
    uint64_t KeyAt(const TStar& star, int32_t d) const;
    int CompareSubstrings(const TStar& a, const TStar& b, int32_t d) const;
    bool RefineByDoubling(int32_t m, int32_t depth);
    void Sort(const uint8_t* block, int32_t* index, int32_t n, TRowBytes* rows);
    template <bool Bytes>
    void InduceL(const uint8_t* x, int32_t* sa, int32_t n, const int32_t* bucket_start,
                 const int32_t* l_count, TRowBytes* rows);

    // The work tables, reused by every block.
    std::unique_ptr<int32_t[]> pair_count; // S suffixes per first two bytes, then sub-bucket ends
    std::unique_ptr<int32_t[]> star_count; // B* suffixes per first two bytes
    std::vector<int32_t> star_pos;         // B* positions in text order
    std::vector<TStar> stars;              // the same with their substrings' lengths
    std::vector<int32_t> star_order;       // B* numbers in sorted order
    std::vector<uint8_t> tied;             // a sorted substring equals the one before it
    std::vector<int32_t> names;            // the rank string of the substrings
    std::vector<int32_t> ranks;            // group of each B* suffix while doubling
    std::vector<int32_t> group_len;        // group lengths (runs of sorted ones negative)
    std::vector<int32_t> keys;             // sort keys of the group being split
    std::vector<uint64_t> wide_keys;       // substring keys of the part being split
    std::vector<uint64_t> radix_keys;      // the other side of the radix sort's passes
    std::vector<int32_t> radix_order;
    std::vector<int32_t> stack; // pending parts of the substring sort
    const uint8_t* text = nullptr;
    int32_t text_len = 0;
};
