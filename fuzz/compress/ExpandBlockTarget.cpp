#include "ExpandBlockTarget.h"

#include "BWTCompressUnit.h"
#include "BWTExpandUnit.h"
#include "CompressErrors.h"
#include "MemoryFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>


namespace {

TExpander& SharedExpander() {
    static TExpander expander;
    return expander;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TMemoryFile file(data, size);
    TBitFile in(file.path, fmOpenRead);
    // The first byte, when there is one, sometimes names the raw length the entry promises.
    int32_t expected = -1;
    size_t skip = 0;
    if (size > 0 && data[0] == 0xE5 && size >= 5) {
        expected = int32_t(uint32_t(data[1]) | uint32_t(data[2]) << 8 | uint32_t(data[3]) << 16 |
                           uint32_t(data[4] & 0x7F) << 24);
        skip = 5;
    }
    in.SmartSeek(int64_t(skip), 0);
    try {
        for (int blocks = 0; blocks < 64 && in.BufferedPosition() < int64_t(size); ++blocks)
            SharedExpander().ExpandBlock(in, expected);
    } catch (const ECompressError&) {
    }
    return 0;
}

std::vector<std::vector<uint8_t>> MakeFuzzCorpus() {
    std::vector<std::vector<uint8_t>> corpus;
    std::mt19937 rng(42);
    char name[] = "/tmp/gld-fuzz-seed-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) return corpus;
    close(fd);
    auto compress = [&](const std::vector<uint8_t>& raw) {
        {
            TBitFile out(name, fmCreate);
            TCompressor compressor;
            std::memcpy(compressor.GetInputBuffer() + 1, raw.data(), raw.size());
            compressor.CompressBlock(int32_t(raw.size()), out);
        }
        std::vector<uint8_t> bytes;
        if (FILE* f = std::fopen(name, "rb")) {
            int c;
            while ((c = std::fgetc(f)) != EOF) bytes.push_back(uint8_t(c));
            std::fclose(f);
        }
        return bytes;
    };
    for (int shape = 0; shape < 6; ++shape) {
        std::vector<uint8_t> raw(size_t(1 + rng() % 3000));
        for (size_t i = 0; i < raw.size(); ++i) {
            switch (shape) {
            case 0: raw[i] = uint8_t(rng()); break;
            case 1: raw[i] = uint8_t('a' + rng() % 3); break;
            case 2: raw[i] = 0; break;
            case 3: raw[i] = uint8_t("abcab"[i % 5]); break;
            case 4: raw[i] = i > 0 && rng() % 30 ? raw[i - 1] : uint8_t(rng()); break;
            default: raw[i] = uint8_t(i); break;
            }
        }
        const std::vector<uint8_t> good = compress(raw);
        corpus.push_back(good);
        for (int variant = 0; variant < 300; ++variant) {
            std::vector<uint8_t> bad = good;
            switch (variant % 5) {
            case 0: bad[rng() % bad.size()] ^= uint8_t(1u << (rng() % 8)); break;
            case 1: bad.resize(rng() % bad.size()); break;
            case 2:
                if (bad.size() >= 20) bad[8 + rng() % 12] = uint8_t(rng());
                break;
            case 3:
                for (int k = 0; k < 8; ++k) bad[rng() % bad.size()] = uint8_t(rng());
                break;
            default: {
                // A promised raw length, right or wrong.
                const uint32_t n = variant % 2 ? uint32_t(raw.size()) : uint32_t(rng() % 5000);
                std::vector<uint8_t> with = {0xE5, uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16),
                                             uint8_t(n >> 24)};
                with.insert(with.end(), bad.begin(), bad.end());
                bad = with;
                break;
            }
            }
            corpus.push_back(bad);
        }
    }
    std::remove(name);
    return corpus;
}
