#pragma once
// What every fuzz target supplies: the libFuzzer entry and the seeds its replay program runs.

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// Sound inputs of several shapes, each with a deterministic set of damaged variants.
std::vector<std::vector<uint8_t>> MakeFuzzCorpus();
