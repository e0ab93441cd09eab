#include "FlashMovieTarget.h"

#include "FlashInfo.h"
#include "SwfGen.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FlashFrameSize(data, size);
    // A small limit keeps forged lengths from making each run slow.
    if (auto movie = ReadFlashMovie(data, size, 1u << 20)) {
        if (movie->size() > 1u << 20 || (*movie)[0] != 'F') std::abort();
        ReadFlashMovieFacts(*movie);
        if (auto once = WithStopOnLastFrame(*movie)) {
            if (once->size() != movie->size() + 4) std::abort();
        }
    }
    return 0;
}

std::vector<std::vector<uint8_t>> MakeFuzzCorpus() {
    std::vector<std::vector<uint8_t>> corpus;
    uint32_t seed = 0x2545f491u;
    auto next = [&seed] {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        return seed;
    };
    const TSwfCompression kinds[] = {TSwfCompression::None, TSwfCompression::Zlib,
                                     TSwfCompression::Lzma};
    const int widths[] = {-1, 0, 15, 31};
    for (TSwfCompression kind : kinds) {
        for (int nbits : widths) {
            TSwfParams p;
            p.compression = kind;
            p.nbits = nbits;
            p.frames = 3;
            p.xmin_twips = nbits == 31 ? -40 : 0;
            const std::vector<uint8_t> movie = MakeSwf(p);
            corpus.push_back(movie);
            for (int v = 0; v < 40; ++v) {
                std::vector<uint8_t> bent = movie;
                const int flips = 1 + static_cast<int>(next() % 4);
                for (int f = 0; f < flips; ++f) {
                    const std::size_t at = next() % bent.size();
                    bent[at] = static_cast<uint8_t>(bent[at] ^ (1u << (next() % 8)));
                }
                corpus.push_back(bent);
                corpus.emplace_back(movie.begin(), movie.begin() + static_cast<std::ptrdiff_t>(
                                                                       next() % movie.size()));
            }
            // Forged lengths and LZMA properties.
            for (uint8_t b : {0x00, 0x7f, 0xff}) {
                std::vector<uint8_t> forged = movie;
                for (std::size_t i = 4; i < 8 && i < forged.size(); ++i)
                    forged[i] = b;
                corpus.push_back(forged);
                if (kind == TSwfCompression::Lzma) {
                    forged = movie;
                    for (std::size_t i = 12; i < 17; ++i)
                        forged[i] = b;
                    corpus.push_back(forged);
                }
            }
        }
    }
    return corpus;
}
