#pragma once
// Adaptive arithmetic coder with 16-bit code values (Witten, Neal and Cleary) over the
// two-level model: each symbol goes out as its group, then as its offset in the group.

#include "GroupAriModelUnit.h"

#include <cstdint>
#include <memory>

constexpr int32_t ARI_TOP_VALUE = 0xFFFF;
constexpr int32_t ARI_HALF = 0x8000;
constexpr int32_t ARI_FIRST_QUARTER = 0x4000;
constexpr int32_t ARI_THIRD_QUARTER = 0xC000;

class TStrucAriEncoder {
public:
    TStrucAriEncoder();
    virtual ~TStrucAriEncoder();

    void StartEncoding();
    void EncodeSymbol(int32_t symbol);
    void DoneEncoding();

    virtual void OutputBit(int bit) = 0;
    virtual void OutputBits(uint32_t value, int count) = 0;

    int32_t high = ARI_TOP_VALUE;
    int32_t low = 0;
    int32_t bits_to_follow = 0;
    // Present between StartEncoding and DoneEncoding. It is one model reset for every block, so
    // that coding a block allocates nothing.
    THeadAriModel* model = nullptr;

protected:
    void EncodeIndex(TGroupAriModel& m, int32_t i);
    void BitPlusFollow(int bit);

private:
    // Bits are gathered here and handed to OutputBits 32 at a time: one call instead of one
    // per bit, the same bits in the same order. count is 1..16.
    void PutBits(uint32_t bits, int count) {
        out_bits = (out_bits << count) | bits;
        out_count += count;
        if (out_count >= 32) {
            out_count -= 32;
            OutputBits(uint32_t(out_bits >> out_count), 32);
        }
    }
    void FlushOutput();

    std::unique_ptr<THeadAriModel> model_storage;
    uint64_t out_bits = 0;
    int out_count = 0;
};
