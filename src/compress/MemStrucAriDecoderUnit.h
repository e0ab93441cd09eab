#pragma once
// The arithmetic decoder reading from memory, and the decoding of a whole coded block back into
// move-to-front values, the zero-run mapping undone.

#include "MTFDecoderUnit.h"
#include "StrucAriDecoderUnit.h"

#include <cstdint>
#include <span>

class TMemStrucAriDecoder : public TStrucAriDecoder {
public:
    // The decoder reads ahead of the symbols it has decoded: up to this many zero bytes past
    // the end of a coded block.
    static constexpr int32_t READ_MARGIN = 20;

    int InputBit() override;
    uint32_t InputBits(int count) override;

    // Decodes one coded block into out[0..], returning the number of values. The coded block
    // is the first limit bytes of data (zero bytes where data is shorter), followed by
    // READ_MARGIN zero bytes; a block that would read further, hold more than capacity values
    // or never end raises EDataCorrupt.
    int32_t DecodeBlock(std::span<const uint8_t> data, int64_t limit, uint8_t* out,
                        int32_t capacity);
    // The same, with the move-to-front values turned into bytes by mtf as they come, from its
    // present list; mtf ends as its DecodeBuffer would leave it.
    int32_t DecodeBlock(std::span<const uint8_t> data, int64_t limit, uint8_t* out,
                        int32_t capacity, TMTFDecoder& mtf);

    // Bytes taken by the last DecodeBlock, counting the zero bytes past data.
    int64_t consumed = 0;

    // Whether blocks are decoded by the loop built for 512-bit vectors; only where the machine
    // has them. The values are the same either way.
    bool WideVectors() const { return wide; }
    void UseWideVectors(bool on) { wide = on && WideVectorsAvailable(); }

private:
    void Begin(std::span<const uint8_t> data, int64_t limit);
    template <bool Wide, class Sink>
    int32_t DecodeValues(uint8_t* out, int32_t capacity, Sink& sink);
    int32_t DecodeValuesPlain(uint8_t* out, int32_t capacity);
    int32_t DecodeBytesPlain(uint8_t* out, int32_t capacity, TMTFDecoder& mtf);
#if GLD_WIDE_VECTORS
    GLD_WIDE_TARGET int32_t DecodeValuesWide(uint8_t* out, int32_t capacity);
    GLD_WIDE_TARGET int32_t DecodeBytesWide(uint8_t* out, int32_t capacity, TMTFDecoder& mtf);
#endif

    bool wide = WideVectorsAvailable();
    uint8_t NextByte();

    std::span<const uint8_t> source;
    int64_t source_limit = 0;
    uint8_t bit_mask = 0x80;
    uint8_t bit_byte = 0;
};
