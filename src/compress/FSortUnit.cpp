#include "FSortUnit.h"

#include "CompressErrors.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace {
constexpr const char* UNIT = "FSortUnit";
// Below this size a group is put in order by insertion, which beats partitioning there.
constexpr int32_t INSERTION_LIMIT = 16;
// From this size on a group is sorted by radix: a few linear passes without a branch on the
// keys beat the partitioning's mispredictions. Up to what the scratch buffer holds: a key and
// a position per entry.
constexpr int32_t RADIX_MIN = 256;
constexpr int32_t RADIX_MAX = TBlockMan::BYTE_BUFFER_WORDS / 2;
} // namespace

TFastSorter::TFastSorter(TBlockMan& buffers)
    : bucket_heads(buffers.bucket_heads), ranks(buffers.rank_buf), group_len(buffers.group_buf),
      keys(buffers.group_buf), buffers(buffers) {}

void TFastSorter::SortSuffixes(const uint8_t* block_, int32_t* index_, int32_t n_) {
    GLD_ASSERT(n_ >= 1 && n_ <= MAX_BLOCK_SIZE, UNIT);
    block = block_;
    index = index_;
    n = n_;
    last = n - 1;
    scratch = buffers.ScratchBeside(block);
    std::fill(bucket_heads, bucket_heads + BUCKET_HEAD_COUNT, 0);
    BucketSuffixes();
    InitGroups();
    RefineGroups();
}

// Counts the suffixes of each two-byte bucket. The last suffix (one byte, then the end of the
// block) is kept out of the counts: it gets a group of its own in front of its bucket.
void TFastSorter::BucketSuffixes() {
    const uint8_t* x = block + 1;
    if (n < 2) return;
    uint32_t key = x[0];
    for (int32_t p = 0; p <= n - 2; ++p) {
        key = ((key << 8) | x[p + 1]) & 0xFFFF;
        ++bucket_heads[key];
    }
}

// Places every suffix in the order of its first two bytes and numbers the groups. Within a
// bucket the suffixes keep their positions' order, so that reading the keys of the first
// refinement walks the group numbers forwards through memory.
void TFastSorter::InitGroups() {
    const uint8_t* x = block + 1;
    const int32_t k_last = int32_t(x[n - 1]) << 8;
    // Counts become the first free place of each bucket.
    int32_t j = 1;
    for (int32_t key = 0; key < BUCKET_HEAD_COUNT; ++key) {
        if (key == k_last) {
            // The end of the block sorts below byte 0: the last suffix precedes its bucket.
            index[j] = n - 1;
            group_len[j] = 1;
            ranks[n - 1] = j;
            ++j;
        }
        const int32_t count = bucket_heads[key];
        bucket_heads[key] = j;
        j += count;
    }
    GLD_ASSERT(j == n + 1, UNIT);
    if (n >= 2) {
        uint32_t key = x[0];
        for (int32_t p = 0; p <= n - 2; ++p) {
            key = ((key << 8) | x[p + 1]) & 0xFFFF;
            index[bucket_heads[key]++] = p;
        }
    }
    // Each bucket now ends where the next begins; walk them again to number the groups.
    int32_t start = 1;
    for (int32_t key = 0; key < BUCKET_HEAD_COUNT; ++key) {
        if (key == k_last) ++start;
        const int32_t end = bucket_heads[key];
        if (end > start) {
            group_len[start] = end - start;
            for (int32_t i = start; i < end; ++i)
                ranks[index[i]] = start;
            start = end;
        }
    }
    index[0] = n;
    group_len[0] = -1;
    ranks[n] = 0;
}

void TFastSorter::RefineGroups() {
    const int32_t N = n + 1;
    n = N;
    int32_t h = 2;
    while (-group_len[0] < N - 1) {
        int32_t i = 0;
        int32_t run = -1;
        while (i < N) {
            const int32_t g = group_len[i];
            if (g < 0) {
                if (run == -1)
                    run = i;
                else {
                    GLD_ASSERT(group_len[run] < 0, UNIT);
                    group_len[run] += g;
                }
                i -= g;
            } else if (g == 1) {
                if (run == -1) {
                    run = i;
                    group_len[i] = -1;
                } else {
                    GLD_ASSERT(group_len[run] < 0, UNIT);
                    group_len[run] -= 1;
                }
                i += 1;
            } else {
                SortSplit(i, i + g - 1, h);
                i += g;
                run = -1;
            }
        }
        // The longest possible common prefix is below 2^31, so h cannot overflow first.
        h *= 2;
    }
}

// Splits the group index[lo..hi] by the keys ranks[p + h].
//
// The keys are read once, when the split starts, and kept beside index in group_buf (whose
// entries inside an unsorted group are free). The group numbers in ranks stay consistent with
// the final order at every moment of a pass, as long as parts are renumbered from the top
// down: a suffix not yet renumbered still carries the group's first index, below every number
// handed out inside the group. So a snapshot of them orders this group as correctly as
// reading them afresh, and sorting by any method yields the one correct order.
void TFastSorter::SortSplit(int32_t lo, int32_t hi, int32_t h) {
    if (hi < lo) return;
    if (hi == lo) {
        ranks[index[lo]] = lo;
        group_len[lo] = 1;
        return;
    }
    for (int32_t j = lo; j <= hi; ++j)
        keys[j] = ranks[index[j] + h];
    const int32_t size = hi - lo + 1;
    if (size >= RADIX_MIN && size <= RADIX_MAX)
        RadixSortPairs(lo, hi);
    else
        SortKeyedPairs(keys, index, lo, hi, 2 * std::bit_width(uint32_t(size)) + 4);
    // Renumber the parts of equal keys from the top down; group_len of a part overwrites the
    // key at the part's first place, which is no longer needed once the part is numbered.
    int32_t end = hi;
    while (end >= lo) {
        const int32_t key = keys[end];
        int32_t start = end;
        while (start > lo && keys[start - 1] == key)
            --start;
        for (int32_t j = start; j <= end; ++j)
            ranks[index[j]] = start;
        group_len[start] = end - start + 1;
        end = start - 1;
    }
}

// Sorts the pairs (keys[j], index[j]) of lo..hi by key: a ternary quicksort that recurses on
// the smaller side (so the stack stays logarithmic) and turns to heapsort when the pivots keep
// failing, as they can on periodic input.
// Least significant digit first, eight bits at a time, over the span of keys the group holds;
// stable, so equal keys simply stay together.
void TFastSorter::RadixSortPairs(int32_t lo, int32_t hi) {
    const int32_t size = hi - lo + 1;
    int32_t low_key = keys[lo], high_key = keys[lo];
    for (int32_t j = lo + 1; j <= hi; ++j) {
        low_key = std::min(low_key, keys[j]);
        high_key = std::max(high_key, keys[j]);
    }
    if (low_key == high_key) return;
    const int bits = std::bit_width(uint32_t(high_key - low_key));
    int32_t* src_keys = keys + lo;
    int32_t* src_index = index + lo;
    int32_t* dst_keys = scratch;
    int32_t* dst_index = scratch + RADIX_MAX;
    for (int shift = 0; shift < bits; shift += 8) {
        int32_t count[257] = {};
        for (int32_t j = 0; j < size; ++j)
            ++count[((src_keys[j] - low_key) >> shift & 0xFF) + 1];
        for (int d = 1; d < 257; ++d)
            count[d] += count[d - 1];
        for (int32_t j = 0; j < size; ++j) {
            const int32_t k = src_keys[j];
            const int32_t at = count[(k - low_key) >> shift & 0xFF]++;
            dst_keys[at] = k;
            dst_index[at] = src_index[j];
        }
        std::swap(src_keys, dst_keys);
        std::swap(src_index, dst_index);
    }
    if (src_keys != keys + lo) {
        std::copy(src_keys, src_keys + size, keys + lo);
        std::copy(src_index, src_index + size, index + lo);
    }
}

namespace {

void InsertionSortPairs(int32_t* keys, int32_t* index, int32_t lo, int32_t hi) {
    for (int32_t i = lo + 1; i <= hi; ++i) {
        const int32_t k = keys[i], p = index[i];
        int32_t j = i - 1;
        while (j >= lo && keys[j] > k) {
            keys[j + 1] = keys[j];
            index[j + 1] = index[j];
            --j;
        }
        keys[j + 1] = k;
        index[j + 1] = p;
    }
}

void HeapSortPairs(int32_t* keys, int32_t* index, int32_t lo, int32_t hi) {
    const int32_t size = hi - lo + 1;
    int32_t* k = keys + lo;
    int32_t* x = index + lo;
    auto sift = [&](int32_t root, int32_t count) {
        while (true) {
            int32_t child = 2 * root + 1;
            if (child >= count) return;
            if (child + 1 < count && k[child + 1] > k[child]) ++child;
            if (k[root] >= k[child]) return;
            std::swap(k[root], k[child]);
            std::swap(x[root], x[child]);
            root = child;
        }
    };
    for (int32_t root = size / 2 - 1; root >= 0; --root)
        sift(root, size);
    for (int32_t end = size - 1; end > 0; --end) {
        std::swap(k[0], k[end]);
        std::swap(x[0], x[end]);
        sift(0, end);
    }
}

} // namespace

void TFastSorter::SortKeyedPairs(int32_t* keys, int32_t* index, int32_t lo, int32_t hi,
                                 int depth_budget) {
    while (hi - lo + 1 > INSERTION_LIMIT) {
        if (depth_budget-- <= 0) {
            HeapSortPairs(keys, index, lo, hi);
            return;
        }
        const int32_t size = hi - lo + 1;
        auto median3 = [&](int32_t a, int32_t b, int32_t c) {
            const int32_t ka = keys[a], kb = keys[b], kc = keys[c];
            return ka < kb ? (kb < kc ? kb : (ka < kc ? kc : ka))
                           : (kb > kc ? kb : (ka > kc ? kc : ka));
        };
        const int32_t mid = lo + size / 2;
        int32_t v;
        if (size > 64) {
            const int32_t s = size / 8;
            const int32_t k1 = median3(lo, lo + s, lo + 2 * s);
            const int32_t k2 = median3(mid - s, mid, mid + s);
            const int32_t k3 = median3(hi - 2 * s, hi - s, hi);
            v = k1 < k2 ? (k2 < k3 ? k2 : (k1 < k3 ? k3 : k1))
                        : (k2 > k3 ? k2 : (k1 > k3 ? k3 : k1));
        } else {
            v = median3(lo, mid, hi);
        }
        // Dijkstra's three-way partition: lo..lt-1 below v, lt..gt equal, gt+1..hi above.
        int32_t lt = lo, i = lo, gt = hi;
        while (i <= gt) {
            const int32_t k = keys[i];
            if (k < v) {
                std::swap(keys[lt], keys[i]);
                std::swap(index[lt], index[i]);
                ++lt;
                ++i;
            } else if (k > v) {
                std::swap(keys[gt], keys[i]);
                std::swap(index[gt], index[i]);
                --gt;
            } else {
                ++i;
            }
        }
        if (lt - lo < hi - gt) {
            SortKeyedPairs(keys, index, lo, lt - 1, depth_budget);
            lo = gt + 1;
        } else {
            SortKeyedPairs(keys, index, gt + 1, hi, depth_budget);
            hi = lt - 1;
        }
    }
    InsertionSortPairs(keys, index, lo, hi);
}
