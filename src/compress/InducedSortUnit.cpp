#include "InducedSortUnit.h"

#include "CompressErrors.h"
#include "FSortUnit.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr const char* UNIT = "InducedSortUnit";
constexpr int32_t PAIR_COUNT = 65536;
// Below this many substrings a part is put in order by insertion.
constexpr int32_t INSERTION_LIMIT = 12;
// From this many windows on a part is sorted by radix.
constexpr int32_t RADIX_MIN = 128;
// B* substrings per window of the first sort: two settle most text, where single substrings
// repeat a lot, without making the windows long.
constexpr int32_t WINDOW = 2;
// Below this many bytes a block does without the work that runs over every pair of bytes.
constexpr int32_t SMALL_BLOCK = 65536;

inline int32_t PairKey(uint32_t c0, uint32_t c1) {
    return int32_t(c0 << 8 | c1);
}

} // namespace

inline uint64_t TInducedSorter::KeyAt(const TStar& star, int32_t d) const {
    const int32_t rem = star.len - d;
    const int32_t at = star.pos + d;
    uint64_t v = 0;
    if (at + 8 <= text_len) {
        std::memcpy(&v, text + at, 8);
        v = __builtin_bswap64(v);
    } else {
        for (int32_t k = 0; k < 8 && at + k < text_len; ++k)
            v |= uint64_t(text[at + k]) << (56 - 8 * k);
    }
    if (rem < 7) {
        v = rem > 0 ? v & (~uint64_t(0) << (64 - 8 * rem)) : 0;
        return v | uint64_t(rem);
    }
    return (v & ~uint64_t(0xFF)) | 7;
}

TInducedSorter::TInducedSorter()
    : pair_count(new int32_t[PAIR_COUNT]), star_count(new int32_t[PAIR_COUNT]) {}

TInducedSorter::~TInducedSorter() = default;

// The layout of index: row 0 holds the empty suffix, then one bucket per first byte. In each
// bucket the L suffixes come first (a suffix c... that is larger than its own tail sorts
// below one that is smaller, among those starting with c), then the S suffixes, those again
// in sub-buckets by their second byte. Within a sub-bucket (c0, c1) with c0 < c1 the B*
// suffixes come first: their tails start with an L suffix of bucket c1, the others' with an S
// suffix, and the L suffixes of a bucket sort below its S suffixes.
void TInducedSorter::SortSuffixes(const uint8_t* block, int32_t* index, int32_t n) {
    Sort(block, index, n, nullptr);
}

void TInducedSorter::SortSuffixes(const uint8_t* block, int32_t* index, int32_t n,
                                  TRowBytes& rows) {
    Sort(block, index, n, &rows);
}

void TInducedSorter::Sort(const uint8_t* block, int32_t* sa, int32_t n, TRowBytes* rows) {
    GLD_ASSERT(n >= 1, UNIT);
    const uint8_t* x = block + 1;
    text = x;
    text_len = n;
    sa[0] = n;
    if (n == 1) {
        sa[1] = 0;
        if (rows) {
            rows->bytes[0] = x[0];
            rows->whole_row = 1;
            rows->second_row = 0;
        }
        return;
    }

    // Types, bucket sizes and the B* positions, in one pass from the right. The last suffix is
    // of type L (the end sorts below every byte); a byte equal to its successor takes over the
    // successor's type.
    // The bytes' counts, on four tables in turn: runs of one byte would otherwise make each
    // count wait for the one before.
    // The bytes' counts, on four tables in turn: runs of one byte would otherwise make each
    // count wait for the one before.
    int32_t count[256] = {}, l_count[256];
    {
        int32_t part[4][256] = {};
        int32_t i = 0;
        for (; i + 4 <= n; i += 4) {
            ++part[0][x[i]];
            ++part[1][x[i + 1]];
            ++part[2][x[i + 2]];
            ++part[3][x[i + 3]];
        }
        for (; i < n; ++i)
            ++part[0][x[i]];
        for (int c = 0; c < 256; ++c)
            count[c] = part[0][c] + part[1][c] + part[2][c] + part[3][c];
    }
    int32_t* pairs = pair_count.get();
    // Only the rows of the bytes the block holds are counted in and read. A small block clears
    // just those: clearing the whole table cost a small block more than sorting it.
    if (n < SMALL_BLOCK) {
        for (int c0 = 0; c0 < 256; ++c0)
            if (count[c0] > 0) std::fill_n(pairs + PairKey(uint32_t(c0), 0), 256, 0);
    } else {
        std::fill_n(pairs, PAIR_COUNT, 0);
    }
    // The S suffixes by their first two bytes and the B* positions, in one pass from the right;
    // the L suffixes of a byte are the rest of its count. The last suffix is of type L (the end
    // sorts below every byte); a byte equal to its successor takes over the successor's type.
    // Types change every few bytes of text, and as often not: the pass works without a branch
    // on them, counting 0 for an L suffix and writing every position where the next B* one
    // would go, moving on only for a B* suffix (an S suffix before an L one). At most every
    // other suffix is B*.
    {
        const size_t room = size_t(n) / 2 + 1;
        if (star_pos.size() < room) star_pos.resize(room);
        int32_t* star = star_pos.data();
        int32_t top = int32_t(room);
        uint32_t c1 = x[n - 1], next_s = 0;
        for (int32_t i = n - 2; i >= 0; --i) {
            const uint32_t c0 = x[i];
            const uint32_t is_s = uint32_t(c0 < c1) | (uint32_t(c0 == c1) & next_s);
            pairs[PairKey(c0, c1)] += int32_t(is_s);
            star[top - 1] = i;
            top -= int32_t(is_s & ~next_s);
            next_s = is_s;
            c1 = c0;
        }
        const int32_t stars_found = int32_t(room) - top;
        std::copy(star + top, star + room, star);
        star_pos.resize(size_t(stars_found));
    }

    int32_t bucket_start[257];
    bucket_start[0] = 1;
    for (int c = 0; c < 256; ++c)
        bucket_start[c + 1] = bucket_start[c] + count[c];
    // pairs[(c0, c1)] becomes the end of the sub-bucket of S suffixes starting with c0 c1; they
    // fill the bucket of c0 from its end down, and the L suffixes take what is left below.
    for (int c0 = 0; c0 < 256; ++c0) {
        l_count[c0] = 0;
        if (count[c0] == 0) continue;
        int32_t end = bucket_start[c0 + 1];
        for (int c1 = 255; c1 >= c0; --c1) {
            const int32_t here = pairs[PairKey(uint32_t(c0), uint32_t(c1))];
            pairs[PairKey(uint32_t(c0), uint32_t(c1))] = end;
            end -= here;
        }
        l_count[c0] = end - bucket_start[c0];
    }

    SortBStar(x, n);

    // The sorted B* suffixes at the front of their sub-buckets; a sub-bucket (c0, c1) starts
    // where (c0, c1 - 1) ends, and c1 > c0 for every B* suffix.
    {
        int32_t previous = -1, at = 0;
        for (const int32_t k : star_order) {
            const int32_t q = star_pos[size_t(k)];
            const int32_t key = PairKey(x[q], x[q + 1]);
            if (key != previous) {
                at = pairs[key - 1];
                previous = key;
            }
            sa[at++] = q;
        }
    }

    // S suffixes from right to left. The suffix before an S suffix j is S when its byte is at
    // most x[j]; it goes to the top free place of its sub-bucket. No other S suffix has an L
    // successor but the B* ones, already in place, so only the S parts need scanning.
    for (int c = 255; c >= 0; --c) {
        const int32_t s_start = bucket_start[c] + l_count[c];
        int32_t* tails = pairs + c; // tails[c0 << 8] is the sub-bucket (c0, c)
        for (int32_t i = bucket_start[c + 1] - 1; i >= s_start; --i) {
            const int32_t j = sa[i];
            if (j == 0) continue;
            const uint32_t cp = x[j - 1];
            if (cp <= uint32_t(c)) sa[--tails[cp << 8]] = j - 1;
        }
    }

    if (rows)
        InduceL<true>(x, sa, n, bucket_start, l_count, rows);
    else
        InduceL<false>(x, sa, n, bucket_start, l_count, nullptr);
}

// L suffixes from left to right, starting with the last suffix, which the empty one precedes.
// The suffix before j is L when its byte is larger than x[j], or equal to it and j is L itself.
// Every row is final by the time the pass reaches it, so the bytes before the rows' suffixes
// are read out here, where they are loaded anyway.
template <bool Bytes>
void TInducedSorter::InduceL(const uint8_t* x, int32_t* sa, int32_t n, const int32_t* bucket_start,
                             const int32_t* l_count, TRowBytes* rows) {
    int32_t head[256];
    std::copy(bucket_start, bucket_start + 256, head);
    sa[head[x[n - 1]]++] = n - 1;
    uint8_t* bytes = nullptr;
    int32_t second_row = 0, whole_row = 0;
    if constexpr (Bytes) {
        bytes = rows->bytes;
        bytes[0] = x[n - 1];
    }
    for (int c = 0; c < 256; ++c) {
        const int32_t l_end = bucket_start[c] + l_count[c];
        for (int32_t i = bucket_start[c]; i < l_end; ++i) {
            const int32_t j = sa[i];
            if (j == 0) {
                whole_row = i;
                continue;
            }
            const uint32_t cp = x[j - 1];
            if constexpr (Bytes) {
                bytes[i] = uint8_t(cp);
                second_row = j == 1 ? i : second_row;
            }
            if (cp >= uint32_t(c)) sa[head[cp]++] = j - 1;
        }
        for (int32_t i = l_end; i < bucket_start[c + 1]; ++i) {
            const int32_t j = sa[i];
            if (j == 0) {
                whole_row = i;
                continue;
            }
            const uint32_t cp = x[j - 1];
            if constexpr (Bytes) {
                bytes[i] = uint8_t(cp);
                second_row = j == 1 ? i : second_row;
            }
            if (cp > uint32_t(c)) sa[head[cp]++] = j - 1;
        }
    }
    if constexpr (Bytes) {
        rows->whole_row = whole_row;
        rows->second_row = second_row;
    }
}

// A B* substring runs from its suffix's start to one byte past the next B* suffix's start
// (the last one to the end of the block); a window of r substrings to one byte past the r-th
// next B* start. Compared as plain byte strings, a prefix lower, windows order their suffixes.
// Every type inside a window but its last byte's follows from the window's own bytes, since it
// ends rising from a B* byte into an L byte; so where one window is a prefix of another, the
// B* starts inside agree, and the longer window has an S suffix where the shorter one ends on
// the L suffix after its last B* start. Equal windows leave the order to the B* suffixes r
// further on: sorting by the windows and then doubling on their ranks (r, 2r, 4r B* suffixes
// on) gives the B* order. Where doubling drags on (periodic blocks), the string of the single
// substrings' ranks goes to SA-IS instead.
void TInducedSorter::SortBStar(const uint8_t* x, int32_t n) {
    const int32_t m = int32_t(star_pos.size());
    stars.resize(size_t(m));
    star_order.resize(size_t(m));
    if (m == 0) return;
    const int32_t names_found = SortWindows(x, n, WINDOW);
    if (names_found == m || RefineByDoubling(m, WINDOW)) return;
    const int32_t substrings = SortWindows(x, n, 1);
    if (substrings < m) SortIntegers(names.data(), star_order.data(), m, substrings);
}

// Sorts the B* suffixes by their windows of r substrings into star_order, with the ranks and
// group lengths of equal windows for the doubling and the windows' names in text order;
// returns the number of different windows.
int32_t TInducedSorter::SortWindows(const uint8_t* x, int32_t n, int32_t r) {
    const int32_t m = int32_t(star_pos.size());
    for (int32_t k = 0; k < m; ++k) {
        const int32_t end = k + r < m ? star_pos[size_t(k + r)] + 2 : n;
        stars[size_t(k)] = {star_pos[size_t(k)], end - star_pos[size_t(k)]};
    }

    // By their first two bytes, then each pair's windows by their next seven bytes, which
    // settle most of them; longer ties go on seven bytes at a time.
    if (wide_keys.size() < size_t(m)) wide_keys.resize(size_t(m));
    uint64_t* wide = wide_keys.data();
    tied.assign(size_t(m), 0);
    auto pair_of = [&](int32_t k) {
        const int32_t q = star_pos[size_t(k)];
        return PairKey(x[q], x[q + 1]);
    };
    if (m >= PAIR_COUNT / 8) {
        int32_t* pair_end = star_count.get();
        std::fill_n(pair_end, PAIR_COUNT, 0);
        for (int32_t k = 0; k < m; ++k)
            ++pair_end[pair_of(k)];
        int32_t sum = 0;
        for (int32_t key = 0; key < PAIR_COUNT; ++key) {
            const int32_t c = pair_end[key];
            pair_end[key] = sum;
            sum += c;
        }
        for (int32_t k = 0; k < m; ++k) {
            const int32_t at = pair_end[pair_of(k)]++;
            star_order[size_t(at)] = k;
            wide[at] = KeyAt(stars[size_t(k)], 2);
        }
        for (int32_t key = 0, lo = 0; key < PAIR_COUNT; ++key) {
            const int32_t end = pair_end[key];
            if (end - lo > 1) SortSubstrings(lo, end - 1);
            lo = end;
        }
    } else {
        // Few windows: by the second byte, then stably by the first, in passes over 256
        // buckets; the pass over every pair of bytes cost more than the sort itself.
        if (radix_order.size() < size_t(m)) radix_order.resize(size_t(m));
        int32_t* by_second = radix_order.data();
        int32_t second[257] = {}, first[257] = {};
        for (int32_t k = 0; k < m; ++k) {
            ++second[(pair_of(k) & 0xFF) + 1];
            ++first[(pair_of(k) >> 8) + 1];
        }
        for (int c = 0; c < 256; ++c) {
            second[c + 1] += second[c];
            first[c + 1] += first[c];
        }
        for (int32_t k = 0; k < m; ++k)
            by_second[second[pair_of(k) & 0xFF]++] = k;
        for (int32_t j = 0; j < m; ++j) {
            const int32_t k = by_second[j];
            star_order[size_t(first[pair_of(k) >> 8]++)] = k;
        }
        for (int32_t at = 0; at < m; ++at)
            wide[at] = KeyAt(stars[size_t(star_order[size_t(at)])], 2);
        for (int32_t lo = 0, at = 1; at <= m; ++at) {
            if (at < m && pair_of(star_order[size_t(at)]) == pair_of(star_order[size_t(lo)]))
                continue;
            if (at - lo > 1) SortSubstrings(lo, at - 1);
            lo = at;
        }
    }

    // Names in sorted order; ranks and group lengths for the doubling beside them.
    names.resize(size_t(m));
    ranks.resize(size_t(m));
    group_len.resize(size_t(m));
    const uint8_t* same = tied.data();
    int32_t name = -1, group = 0;
    for (int32_t i = 0; i < m; ++i) {
        const int32_t k = star_order[size_t(i)];
        if (!same[i]) {
            ++name;
            group = i;
            group_len[size_t(i)] = 1;
        } else {
            ++group_len[size_t(group)];
        }
        names[size_t(k)] = name;
        ranks[size_t(k)] = group;
    }
    return name + 1;
}

int TInducedSorter::CompareSubstrings(const TStar& a, const TStar& b, int32_t d) const {
    for (;; d += 7) {
        const uint64_t ka = KeyAt(a, d), kb = KeyAt(b, d);
        if (ka != kb) return ka < kb ? -1 : 1;
        if ((ka & 0xFF) < 7) return 0;
    }
}

// Multikey quicksort of star_order[lo..hi], whose substrings share their first two bytes and
// whose keys from the third byte on stand in wide_keys, seven bytes at a level. Substrings that
// end together are equal: their order is left to the ranks, and tied marks each that equals
// the one before it.
void TInducedSorter::SortSubstrings(int32_t lo, int32_t hi) {
    const TStar* st = stars.data();
    int32_t* o = star_order.data();
    uint64_t* key = wide_keys.data();
    uint8_t* tie = tied.data();
    stack.clear();
    int32_t d = 2;
    for (;;) {
        if (hi - lo + 1 <= INSERTION_LIMIT) {
            for (int32_t i = lo + 1; i <= hi; ++i) {
                const int32_t k = o[i];
                const uint64_t kk = key[i];
                int32_t j = i - 1;
                while (j >= lo &&
                       (key[j] > kk || (key[j] == kk && (kk & 0xFF) == 7 &&
                                        CompareSubstrings(st[o[j]], st[k], d + 7) > 0))) {
                    o[j + 1] = o[j];
                    key[j + 1] = key[j];
                    --j;
                }
                o[j + 1] = k;
                key[j + 1] = kk;
            }
            for (int32_t i = lo + 1; i <= hi; ++i)
                tie[i] =
                    key[i] == key[i - 1] &&
                    ((key[i] & 0xFF) < 7 || CompareSubstrings(st[o[i]], st[o[i - 1]], d + 7) == 0);
        } else if (hi - lo + 1 >= RADIX_MIN) {
            RadixSortKeys(lo, hi);
            // Runs of equal keys: equal windows where they ended, else sorted on by the next
            // seven bytes.
            for (int32_t start = lo; start <= hi;) {
                int32_t end = start;
                while (end < hi && key[end + 1] == key[start])
                    ++end;
                if (end > start) {
                    if ((key[start] & 0xFF) == 7) {
                        for (int32_t j = start; j <= end; ++j)
                            key[j] = KeyAt(st[o[j]], d + 7);
                        stack.insert(stack.end(), {start, end, d + 7});
                    } else {
                        for (int32_t j = start + 1; j <= end; ++j)
                            tie[j] = 1;
                    }
                }
                start = end + 1;
            }
        } else {
            const uint64_t a = key[lo], b = key[lo + (hi - lo) / 2], c = key[hi];
            const uint64_t v =
                a < b ? (b < c ? b : (a < c ? c : a)) : (b > c ? b : (a > c ? c : a));
            int32_t lt = lo, i = lo, gt = hi;
            while (i <= gt) {
                const uint64_t kv = key[i];
                if (kv < v) {
                    std::swap(key[lt], key[i]);
                    std::swap(o[lt++], o[i++]);
                } else if (kv > v) {
                    std::swap(key[i], key[gt]);
                    std::swap(o[i], o[gt--]);
                } else {
                    ++i;
                }
            }
            if (lt - 1 > lo) stack.insert(stack.end(), {lo, lt - 1, d});
            if (hi > gt + 1) stack.insert(stack.end(), {gt + 1, hi, d});
            // A middle part whose windows go on is sorted by the next seven bytes; the keys
            // of this level are no longer needed there.
            if (gt > lt && (v & 0xFF) == 7) {
                for (int32_t j = lt; j <= gt; ++j)
                    key[j] = KeyAt(st[o[j]], d + 7);
                stack.insert(stack.end(), {lt, gt, d + 7});
            } else {
                for (int32_t j = lt + 1; j <= gt; ++j)
                    tie[j] = 1;
            }
        }
        if (stack.empty()) return;
        d = stack.back();
        stack.pop_back();
        hi = stack.back();
        stack.pop_back();
        lo = stack.back();
        stack.pop_back();
    }
}

// Least significant byte first over the bytes in which the keys of lo..hi differ (often few:
// the windows of a pair tend to share their next bytes); stable, a few branch-free passes
// where partitioning would mispredict at every step.
void TInducedSorter::RadixSortKeys(int32_t lo, int32_t hi) {
    const int32_t size = hi - lo + 1;
    uint64_t* key = wide_keys.data() + lo;
    int32_t* o = star_order.data() + lo;
    uint64_t all_and = ~uint64_t(0), all_or = 0;
    for (int32_t j = 0; j < size; ++j) {
        all_and &= key[j];
        all_or |= key[j];
    }
    const uint64_t varying = all_and ^ all_or;
    if (radix_keys.size() < size_t(size)) {
        radix_keys.resize(size_t(size));
        radix_order.resize(size_t(size));
    }
    uint64_t* src_key = key;
    int32_t* src_o = o;
    uint64_t* dst_key = radix_keys.data();
    int32_t* dst_o = radix_order.data();
    // Keys of one pair often share a byte, and a single counter stepped for key after key makes
    // every step wait for the one before. So every varying byte is counted in one pass, the two
    // halves of the keys on counters of their own, and each scatter places keys from both ends
    // at once: from the front upwards from a value's first place, from the back downwards from
    // its last, which keeps the pass stable.
    int shifts[8];
    int passes = 0;
    for (int shift = 0; shift < 64; shift += 8)
        if ((varying >> shift) & 0xFF) shifts[passes++] = shift;
    const int32_t half = size / 2;
    int32_t count[8][2][256];
    std::memset(count, 0, sizeof(count[0]) * size_t(passes));
    for (int32_t j = 0; j < half; ++j) {
        const uint64_t a = key[j], b = key[half + j];
        for (int p = 0; p < passes; ++p) {
            ++count[p][0][(a >> shifts[p]) & 0xFF];
            ++count[p][1][(b >> shifts[p]) & 0xFF];
        }
    }
    if (size & 1)
        for (int p = 0; p < passes; ++p)
            ++count[p][1][(key[size - 1] >> shifts[p]) & 0xFF];
    for (int p = 0; p < passes; ++p) {
        int32_t* front = count[p][0];
        int32_t* back = count[p][1];
        for (int32_t v = 0, sum = 0; v < 256; ++v) {
            const int32_t c = front[v] + back[v];
            front[v] = sum;
            sum += c;
            back[v] = sum;
        }
        const int shift = shifts[p];
        for (int32_t j = 0, k = size - 1; j < half; ++j, --k) {
            const uint64_t a = src_key[j], b = src_key[k];
            const int32_t at_a = front[(a >> shift) & 0xFF]++;
            const int32_t at_b = --back[(b >> shift) & 0xFF];
            dst_key[at_a] = a;
            dst_o[at_a] = src_o[j];
            dst_key[at_b] = b;
            dst_o[at_b] = src_o[k];
        }
        if (size & 1) {
            const uint64_t a = src_key[half];
            const int32_t at = front[(a >> shift) & 0xFF]++;
            dst_key[at] = a;
            dst_o[at] = src_o[half];
        }
        std::swap(src_key, dst_key);
        std::swap(src_o, dst_o);
    }
    if (src_key != key) {
        std::copy(src_key, src_key + size, key);
        std::copy(src_o, src_o + size, o);
    }
}

// Prefix doubling (Larsson and Sadakane) on the string of names, from the groups of equal
// substrings: only suffixes that still tie are touched, which is cheap where few substrings
// repeat. Periodic blocks tie for many rounds; when the work passes a few times the string's
// length, it stops and leaves the string to SA-IS (false).
bool TInducedSorter::RefineByDoubling(int32_t m, int32_t depth) {
    keys.resize(size_t(m));
    int32_t* o = star_order.data();
    int32_t* rank = ranks.data();
    int32_t* len = group_len.data();
    int32_t* key = keys.data();
    int64_t work = 0;
    for (int32_t h = depth;; h *= 2) {
        int32_t unsorted = 0;
        for (int32_t i = 0; i < m;) {
            const int32_t g = len[i];
            if (g < 0) {
                i -= g;
                continue;
            }
            if (g == 1) {
                // Sorted: merge with the sorted ones that follow, so later rounds skip them.
                int32_t j = i + 1;
                while (j < m && (len[j] == 1 || len[j] < 0))
                    j += len[j] < 0 ? -len[j] : 1;
                len[i] = -(j - i);
                i = j;
                continue;
            }
            unsorted += g;
            i += g;
        }
        if (unsorted == 0) return true;
        work += unsorted;
        if (work > 4 * int64_t(m)) return false;
        for (int32_t i = 0; i < m;) {
            const int32_t g = len[i];
            if (g < 0) {
                i -= g;
                continue;
            }
            // A group ties on h substrings; every member has more than h B* suffixes after it,
            // since no window that reaches the end of the block equals another.
            const int32_t hi = i + g - 1;
            if (g == 2) {
                // The commonest group, settled without the sort's call and loops.
                GLD_ASSERT(o[i] + h < m && o[hi] + h < m, UNIT);
                const int32_t a = rank[o[i] + h], b = rank[o[hi] + h];
                if (a != b) {
                    if (a > b) std::swap(o[i], o[hi]);
                    rank[o[hi]] = hi;
                    len[i] = 1;
                    len[hi] = 1;
                }
                i = hi + 1;
                continue;
            }
            for (int32_t j = i; j <= hi; ++j) {
                GLD_ASSERT(o[j] + h < m, UNIT);
                key[j] = rank[o[j] + h];
            }
            TFastSorter::SortKeyedPairs(key, o, i, hi, 2 * std::bit_width(uint32_t(g)) + 4);
            // Renumber from the top down: a member not renumbered yet still carries the group's
            // first place, below every number handed out inside the group.
            for (int32_t end = hi; end >= i;) {
                int32_t start = end;
                while (start > i && key[start - 1] == key[end])
                    --start;
                for (int32_t j = start; j <= end; ++j)
                    rank[o[j]] = start;
                len[start] = end - start + 1;
                end = start - 1;
            }
            i = hi + 1;
        }
    }
}

// SA-IS (Nong, Zhang and Chan) over integers. Types as in the byte sorter; the LMS suffixes
// (an S suffix after an L one) are sorted by their substrings through one induction, named,
// and, where names repeat, ordered by sorting the string of names the same way.
void TInducedSorter::SortIntegers(const int32_t* s, int32_t* sa, int32_t n, int32_t alphabet) {
    if (n == 1) {
        sa[0] = 0;
        return;
    }
    // Each value with its type in the lowest bit (1 for S): the inductions read one word.
    std::vector<int32_t> typed(static_cast<size_t>(n));
    std::vector<int32_t> sizes(static_cast<size_t>(alphabet), 0);
    std::vector<int32_t> bucket(static_cast<size_t>(alphabet));
    int32_t* t = typed.data();
    t[n - 1] = s[n - 1] * 2;
    ++sizes[size_t(s[n - 1])];
    for (int32_t i = n - 2; i >= 0; --i) {
        const int32_t c = s[i], next = s[i + 1];
        t[i] = c * 2 + int32_t(c < next || (c == next && (t[i + 1] & 1)));
        ++sizes[size_t(c)];
    }
    auto lms = [t](int32_t i) { return (t[i] & 1) && !(t[i - 1] & 1); }; // for i >= 1
    auto heads = [&] {
        int32_t sum = 0;
        for (int32_t c = 0; c < alphabet; ++c) {
            bucket[size_t(c)] = sum;
            sum += sizes[size_t(c)];
        }
    };
    auto tails = [&] {
        int32_t sum = 0;
        for (int32_t c = 0; c < alphabet; ++c) {
            sum += sizes[size_t(c)];
            bucket[size_t(c)] = sum;
        }
    };
    int32_t* b = bucket.data();
    auto induce = [&] {
        heads();
        sa[b[s[n - 1]]++] = n - 1; // induced by the empty suffix
        for (int32_t i = 0; i < n; ++i) {
            const int32_t v = sa[i];
            if (v <= 0) continue;
            const int32_t u = t[v - 1];
            if (!(u & 1)) sa[b[u >> 1]++] = v - 1;
        }
        tails();
        for (int32_t i = n - 1; i >= 0; --i) {
            const int32_t v = sa[i];
            if (v <= 0) continue;
            const int32_t u = t[v - 1];
            if (u & 1) sa[--b[u >> 1]] = v - 1;
        }
    };

    // Empty places hold 0: position 0 is never an LMS suffix and induces nothing.
    std::fill(sa, sa + n, 0);
    tails();
    int32_t last_lms = -1;
    for (int32_t i = 1; i < n; ++i)
        if (lms(i)) {
            sa[--b[s[i]]] = i;
            last_lms = i;
        }
    induce();

    // The LMS suffixes, now in the order of their substrings, to the front; the length of each
    // substring, then its name, to the back (LMS positions are at least two apart, so p / 2 is
    // a slot of its own). The last substring runs into the end of the string: it equals none.
    int32_t n1 = 0;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t v = sa[i];
        if (v > 0 && lms(v)) sa[n1++] = v;
    }
    std::fill(sa + n1, sa + n, -1);
    for (int32_t i = n - 1, next = n; i >= 1; --i)
        if (lms(i)) {
            sa[n1 + i / 2] = next - i + 1;
            next = i;
        }
    int32_t name = 0, previous = -1, previous_len = 0;
    for (int32_t r = 0; r < n1; ++r) {
        const int32_t p = sa[r];
        const int32_t len = sa[n1 + p / 2];
        if (previous < 0 || len != previous_len || p == last_lms || previous == last_lms ||
            std::memcmp(t + p, t + previous, size_t(len) * sizeof(int32_t)) != 0) {
            ++name;
            previous = p;
            previous_len = len;
        }
        sa[n1 + p / 2] = name - 1;
    }
    for (int32_t i = n - 1, j = n - 1; i >= n1; --i)
        if (sa[i] >= 0) sa[j--] = sa[i];

    int32_t* reduced = sa + n - n1;
    int32_t* order = sa;
    if (name < n1)
        SortIntegers(reduced, order, n1, name);
    else
        for (int32_t i = 0; i < n1; ++i)
            order[reduced[i]] = i;

    // Back to positions, then the sorted LMS suffixes at their bucket ends, last first.
    for (int32_t i = 1, j = 0; i < n; ++i)
        if (lms(i)) reduced[j++] = i;
    for (int32_t i = 0; i < n1; ++i)
        order[i] = reduced[order[i]];
    std::fill(sa + n1, sa + n, 0);
    tails();
    for (int32_t i = n1 - 1; i >= 0; --i) {
        const int32_t j = sa[i];
        sa[i] = 0;
        sa[--b[s[j]]] = j;
    }
    induce();
}
