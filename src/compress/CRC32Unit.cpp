#include "CRC32Unit.h"

#include "WideVectorsUnit.h"

namespace {

void UpdateByTables(uint32_t& crc, const uint8_t* data, size_t count) {
    uint32_t c = crc;
    const auto& t = CRC32_TABLES;
    while (count >= 8) {
        const uint32_t lo = c ^ (uint32_t(data[0]) | uint32_t(data[1]) << 8 |
                                 uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24);
        c = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
            t[3][data[4]] ^ t[2][data[5]] ^ t[1][data[6]] ^ t[0][data[7]];
        data += 8;
        count -= 8;
    }
    while (count--)
        c = t[0][(c ^ *data++) & 0xFF] ^ (c >> 8);
    crc = c;
}

#if GLD_WIDE_VECTORS
// Folding with carry-less multiplication (Gopal and others, "Fast CRC computation for generic
// polynomials using PCLMULQDQ"): the register runs over 64 bytes at a time in four 128-bit
// lanes, each lane carried 512 bits on by multiplying with x^(512 +- 32) mod P, then the lanes
// are folded into one, and one Barrett step brings it down to 32 bits. The constants are worked
// out here from the polynomial, in the bit-reflected order the register is kept in.
constexpr uint32_t POLY = 0x04C11DB7; // x^32 + POLY, highest power first

// x^n mod P, highest power first.
constexpr uint32_t XPowerModP(uint32_t n) {
    uint32_t r = 1;
    for (uint32_t k = 0; k < n; ++k)
        r = (r & 0x80000000u) ? (r << 1) ^ POLY : r << 1;
    return r;
}

constexpr uint64_t Reflected(uint64_t v, int bits) {
    uint64_t r = 0;
    for (int k = 0; k < bits; ++k)
        r |= ((v >> k) & 1) << (bits - 1 - k);
    return r;
}

// x^64 divided by P, the quotient. Its first step takes x^64 off, which leaves POLY x^32: the
// rest of the remainder fits in 64 bits.
constexpr uint64_t X64DividedByP() {
    const uint64_t p = (uint64_t(1) << 32) | POLY;
    uint64_t a = uint64_t(POLY) << 32;
    uint64_t q = uint64_t(1) << 32;
    for (int s = 31; s >= 0; --s)
        if ((a >> (32 + s)) & 1) {
            a ^= p << s;
            q |= uint64_t(1) << s;
        }
    return q;
}

constexpr uint64_t FoldBy(uint32_t bits) {
    return Reflected(XPowerModP(bits), 32) << 1;
}

constexpr uint64_t FOLD_512_LOW = FoldBy(4 * 128 + 32), FOLD_512_HIGH = FoldBy(4 * 128 - 32);
constexpr uint64_t FOLD_128_LOW = FoldBy(128 + 32), FOLD_128_HIGH = FoldBy(128 - 32);
constexpr uint64_t FOLD_64 = FoldBy(64);
constexpr uint64_t BARRETT_POLY = Reflected((uint64_t(1) << 32) | POLY, 33);
constexpr uint64_t BARRETT_MU = Reflected(X64DividedByP(), 33);

// a carried on by k's distance: its low half times k's low, its high half times k's high.
[[gnu::target("pclmul,sse4.1")]] inline __m128i Fold(__m128i a, __m128i k) {
    return _mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x00), _mm_clmulepi64_si128(a, k, 0x11));
}

// The register after count bytes (count >= 64, a multiple of 16).
[[gnu::target("pclmul,sse4.1")]] uint32_t UpdateByFolding(uint32_t crc, const uint8_t* data,
                                                          size_t count) {
    auto load = [](const uint8_t* at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    };
    __m128i x1 = _mm_xor_si128(load(data), _mm_cvtsi32_si128(int(crc)));
    __m128i x2 = load(data + 16), x3 = load(data + 32), x4 = load(data + 48);
    data += 64;
    count -= 64;
    const __m128i k512 = _mm_set_epi64x(int64_t(FOLD_512_HIGH), int64_t(FOLD_512_LOW));
    for (; count >= 64; data += 64, count -= 64) {
        x1 = _mm_xor_si128(Fold(x1, k512), load(data));
        x2 = _mm_xor_si128(Fold(x2, k512), load(data + 16));
        x3 = _mm_xor_si128(Fold(x3, k512), load(data + 32));
        x4 = _mm_xor_si128(Fold(x4, k512), load(data + 48));
    }
    const __m128i k128 = _mm_set_epi64x(int64_t(FOLD_128_HIGH), int64_t(FOLD_128_LOW));
    x1 = _mm_xor_si128(Fold(x1, k128), x2);
    x1 = _mm_xor_si128(Fold(x1, k128), x3);
    x1 = _mm_xor_si128(Fold(x1, k128), x4);
    for (; count >= 16; data += 16, count -= 16)
        x1 = _mm_xor_si128(Fold(x1, k128), load(data));

    // 128 bits to 64, then to 32 bits and a Barrett reduction.
    const __m128i low32 = _mm_setr_epi32(-1, 0, -1, 0);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(x1, k128, 0x10), _mm_srli_si128(x1, 8));
    const __m128i k64 = _mm_set_epi64x(0, int64_t(FOLD_64));
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k64, 0x00),
                       _mm_srli_si128(x1, 4));
    const __m128i barrett = _mm_set_epi64x(int64_t(BARRETT_MU), int64_t(BARRETT_POLY));
    __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), barrett, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), barrett, 0x00);
    return uint32_t(_mm_extract_epi32(_mm_xor_si128(x1, t), 1));
}
#endif

} // namespace

void TCRC32::Update(const uint8_t* data, size_t count) {
#if GLD_WIDE_VECTORS
    if (count >= 64 && __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1")) {
        const size_t folded = count & ~size_t(15);
        crc = UpdateByFolding(crc, data, folded);
        data += folded;
        count -= folded;
    }
#endif
    UpdateByTables(crc, data, count);
}
