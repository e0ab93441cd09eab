#pragma once
// The arithmetic encoder writing into memory, and the coding of a whole block of move-to-front
// values with the zero-run mapping. The file-stream encoder and the block encoder both code
// through it, so a block's bytes never depend on where they are going.

#include "MTFEncoderUnit.h"
#include "StrucAriEncoderUnit.h"

#include <cstdint>
#include <vector>

class TMemStrucAriEncoder : public TStrucAriEncoder {
public:
    void OutputBit(int bit) override { OutputBits(uint32_t(bit & 1), 1); }
    void OutputBits(uint32_t value, int count) override;

    // Appends the coded block of the n move-to-front values values[0..n-1] to out. The block
    // starts on a fresh byte and ends on a byte boundary; the unused bits of its last byte are
    // 0.
    void EncodeBlock(const uint8_t* values, int32_t n, std::vector<uint8_t>& out);
    // The same for the move-to-front values of bytes[0..n-1], which mtf makes as the coder
    // takes them, from its present list; mtf ends as its EncodeBuffer would leave it.
    void EncodeBlock(const uint8_t* bytes, int32_t n, TMTFEncoder& mtf, std::vector<uint8_t>& out);

    // Whether blocks are coded by the loop built for 512-bit vectors; only where the machine
    // has them. The bytes are the same either way.
    bool WideVectors() const { return wide; }
    void UseWideVectors(bool on) { wide = on && WideVectorsAvailable(); }

private:
    void Begin(std::vector<uint8_t>& to);
    void End();
    template <bool Wide, class ValueAt>
    void CodeValues(ValueAt& value_at, int32_t n, std::vector<uint8_t>& to);
    void CodeValuesPlain(const uint8_t* values, int32_t n, std::vector<uint8_t>& to);
    void CodeBytesPlain(const uint8_t* bytes, int32_t n, TMTFEncoder& mtf,
                        std::vector<uint8_t>& to);
#if GLD_WIDE_VECTORS
    GLD_WIDE_TARGET void CodeValuesWide(const uint8_t* values, int32_t n, std::vector<uint8_t>& to);
    GLD_WIDE_TARGET void CodeBytesWide(const uint8_t* bytes, int32_t n, TMTFEncoder& mtf,
                                       std::vector<uint8_t>& to);
#endif

    bool wide = WideVectorsAvailable();
    std::vector<uint8_t>* out = nullptr;
    // The bits that do not make a whole byte yet: pending_count (0..7) low bits of pending.
    uint32_t pending = 0;
    int pending_count = 0;
};
