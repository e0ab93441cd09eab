#pragma once
// The expander's fuzz target: any bytes, read as a sequence of data blocks, must end in
// expanded blocks or an ECompressError, never in a crash, a hang or another exception.

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// Seeds for the replay: sound data blocks of several shapes, each with a deterministic set of
// damaged variants (flipped bits, cut ends, changed header fields).
std::vector<std::vector<uint8_t>> MakeExpandBlockCorpus();
