#pragma once
// The Flash movie reader's fuzz target: any bytes, read as a movie, must give a frame size or
// nothing, and an expanded movie or nothing, never a crash, a hang or an exception; a movie it
// expands must survive the tag walk and the stop action's insertion.

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// Seeds for the replay: our generator's movies of the three kinds and several frame shapes,
// each with deterministic damaged variants (flipped bits, cut ends, forged header fields).
std::vector<std::vector<uint8_t>> MakeFlashMovieCorpus();
