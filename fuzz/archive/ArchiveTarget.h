#pragma once
// The archive's fuzz target: any bytes, opened as an archive or an output file, must be read,
// listed and expanded, or refused with the archive's own errors; never a crash, a hang or a
// runaway allocation. Both readers take part: the inspection reader (with its full CRC test)
// and the manager's directory loader, which `add` runs on an existing archive.

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// Seeds for the replay: sound archives of several shapes, bare and behind a stub, each with a
// deterministic set of damaged variants.
std::vector<std::vector<uint8_t>> MakeArchiveCorpus();
