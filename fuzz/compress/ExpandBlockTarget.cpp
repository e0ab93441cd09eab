#include "ExpandBlockTarget.h"

#include "BlockDecoderUnit.h"
#include "BlockEncoderUnit.h"
#include "CompressErrors.h"
#include "LittleEndianUnit.h"

#include <random>
#include <span>

namespace {

TBlockDecoder& SharedDecoder() {
    static TBlockDecoder decoder;
    return decoder;
}

} // namespace

// The input is a run of data blocks, as they stand in an archive's data area.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> in(data, size);
    // The first byte, when there is one, sometimes names the raw length the entry promises.
    int32_t expected = -1;
    if (size >= 5 && data[0] == 0xE5) {
        expected = int32_t(LoadLE32(data + 1) & 0x7FFFFFFF);
        in = in.subspan(5);
    }
    try {
        for (int blocks = 0; blocks < 64 && !in.empty(); ++blocks) {
            SharedDecoder().DecodeBlock(in, expected);
            in = in.subspan(SharedDecoder().BlockLength());
        }
    } catch (const ECompressError&) {
    }
    return 0;
}

std::vector<std::vector<uint8_t>> MakeFuzzCorpus() {
    std::vector<std::vector<uint8_t>> corpus;
    std::mt19937 rng(42);
    TBlockEncoder encoder;
    auto compress = [&](const std::vector<uint8_t>& raw) {
        std::vector<uint8_t> bytes;
        encoder.EncodeBlock(raw, bytes);
        return bytes;
    };
    for (int shape = 0; shape < 6; ++shape) {
        std::vector<uint8_t> raw(size_t(1 + rng() % 3000));
        for (size_t i = 0; i < raw.size(); ++i) {
            switch (shape) {
            case 0:
                raw[i] = uint8_t(rng());
                break;
            case 1:
                raw[i] = uint8_t('a' + rng() % 3);
                break;
            case 2:
                raw[i] = 0;
                break;
            case 3:
                raw[i] = uint8_t("abcab"[i % 5]);
                break;
            case 4:
                raw[i] = i > 0 && rng() % 30 ? raw[i - 1] : uint8_t(rng());
                break;
            default:
                raw[i] = uint8_t(i);
                break;
            }
        }
        const std::vector<uint8_t> good = compress(raw);
        corpus.push_back(good);
        for (int variant = 0; variant < 300; ++variant) {
            std::vector<uint8_t> bad = good;
            switch (variant % 5) {
            case 0:
                bad[rng() % bad.size()] ^= uint8_t(1u << (rng() % 8));
                break;
            case 1:
                bad.resize(rng() % bad.size());
                break;
            case 2:
                if (bad.size() >= 20) bad[8 + rng() % 12] = uint8_t(rng());
                break;
            case 3:
                for (int k = 0; k < 8; ++k)
                    bad[rng() % bad.size()] = uint8_t(rng());
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
    return corpus;
}
