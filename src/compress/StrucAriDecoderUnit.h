#pragma once
// The inverse of TStrucAriEncoder. Damaged input never leaves the model's tables: a code that
// falls outside every symbol raises EDataCorrupt.

#include "GroupAriModelUnit.h"
#include "StrucAriEncoderUnit.h"

#include <cstdint>
#include <memory>

class TStrucAriDecoder {
public:
    TStrucAriDecoder();
    virtual ~TStrucAriDecoder();

    void StartDecoding();
    int32_t DecodeSymbol();
    void DoneDecoding() { model = nullptr; }

    virtual int InputBit() = 0;
    virtual uint32_t InputBits(int count) = 0;

    int32_t high = ARI_TOP_VALUE;
    int32_t low = 0;
    int32_t value = 0;
    THeadAriModel* model = nullptr;

protected:
    int32_t DecodeIndex(TGroupAriModel& m);

private:
    // Input is taken a byte at a time through InputBits(8) and handed out in bits. A coded
    // block starts on a byte boundary, so each byte is taken from the source exactly when its
    // first bit is needed, as a bit-by-bit reader would take it. count is 1..16.
    uint32_t NextBits(int count) {
        while (in_count < count) {
            in_bits = (in_bits << 8) | InputBits(8);
            in_count += 8;
        }
        in_count -= count;
        return (in_bits >> in_count) & ((1u << count) - 1);
    }
    uint32_t in_bits = 0;
    int in_count = 0;

    std::unique_ptr<THeadAriModel> model_storage;
};
