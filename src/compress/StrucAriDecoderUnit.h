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
    std::unique_ptr<THeadAriModel> model_storage;
};
