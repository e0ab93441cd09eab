#pragma once
// Suffix sorting by prefix doubling (Larsson and Sadakane): the suffixes are bucketed by their
// first two bytes, then unsorted groups are refined by doubling the compared length, keyed by
// the group numbers of the suffixes h bytes further on.
//
// The order produced is unique: all suffixes of x[0..n-1] plus the empty suffix at n, byte by
// byte as unsigned values, the end of the block lower than every byte. The sorter works only
// in the buffers of the TBlockMan it is given and allocates nothing.

#include "BlockManUnit.h"

#include <cstdint>

class TFastSorter {
public:
    explicit TFastSorter(TBlockMan& buffers);

    // block is 1-based (x[i] at block[i + 1]); 1 <= n <= MAX_BLOCK_SIZE. On return
    // index[0..n] holds the n + 1 suffix positions in sorted order (index[0] = n).
    void SortSuffixes(const uint8_t* block, int32_t* index, int32_t n);

    const uint8_t* block = nullptr;
    int32_t* index = nullptr;
    int32_t n = 0;
    int32_t last = 0;
    int32_t* bucket_heads;
    int32_t* ranks;
    int32_t* group_len;

    // Sorts the pairs (keys[j], index[j]) of lo..hi by key. After depth_budget levels of
    // partitioning it turns to heapsort, so no input makes it quadratic.
    static void SortKeyedPairs(int32_t* keys, int32_t* index, int32_t lo, int32_t hi,
                               int depth_budget);

private:
    void BucketSuffixes();
    void InitGroups();
    void RefineGroups();
    void SortSplit(int32_t lo, int32_t hi, int32_t h);
    void RadixSortPairs(int32_t lo, int32_t hi);
    int32_t* keys; // the sort keys of the group being split, beside index (group_buf)
    TBlockMan& buffers;
    int32_t* scratch = nullptr; // the byte buffer the block is not in, as integers
};
