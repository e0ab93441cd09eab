#pragma once
// The move-to-front list shared by the encoder and the decoder.
//
// Coded stream alphabet (symbols 0..257): 0 and 1 are the base-2 digits of a run of zero
// values, m + 1 stands for a value m in 1..255, and 257 ends the block.

#include "WideVectorsUnit.h"

#include <cstdint>

constexpr int MTF_SYMBOL_RUN_A = 0;
constexpr int MTF_SYMBOL_RUN_B = 1;
constexpr int MTF_SYMBOL_END = 257;
constexpr int MTF_SYMBOL_COUNT = 258;

class TMTFBase {
public:
    TMTFBase() { Reset(); }
    // The list in byte order: every block starts from here.
    void Reset();
    void MoveToFront(uint8_t c);
    // Makes position the inverse of list again after the list-only fast paths.
    void RebuildPositions();

    // Whether whole blocks go through the loops built for 512-bit vectors; only where the
    // machine has them. The values are the same either way.
    bool WideVectors() const { return wide; }
    void UseWideVectors(bool on) { wide = on && WideVectorsAvailable(); }

    alignas(64) uint8_t position[256]; // position[c] = list position of byte value c
    alignas(64) uint8_t list[256];     // list[k] = byte value at list position k (0 = front)

protected:
    // Moves the value at list position k to the front and returns it; position is left stale.
    uint8_t TakeFromList(int k);
    // The list position of c, found in the list itself; position is not consulted.
    int FindInList(uint8_t c) const;
    // Makes list the inverse of position again after the position-only fast paths.
    void RebuildList();

    bool wide = WideVectorsAvailable();
};
