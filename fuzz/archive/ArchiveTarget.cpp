#include "ArchiveTarget.h"

#include "ArchiveFormatUnit.h"
#include "ArchiveManagerUnit.h"
#include "ArchiveReaderUnit.h"
#include "CompressErrors.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <span>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    try {
        auto reader = TArchiveReader::OpenMemory(bytes);
        for (size_t i = 0; i < reader->Entries().size(); ++i) {
            try {
                reader->ExtractEntry(i, [](const uint8_t*, size_t) {});
            } catch (const EArchiveDamaged&) {
            }
        }
    } catch (const EArchiveDamaged&) {
    }
    // The manager's reading of a directory is tolerant by design (a name may run to the end of
    // the file), but it must end in its own errors as well: from the trailing dword on, as the
    // archive file reads it.
    if (size >= 4) {
        const int64_t offset = int32_t(LoadLE32(data + size - 4));
        if (offset >= 0) {
            TCentralDirRules rules;
            rules.strict = false;
            try {
                ParseCentralDir(bytes.subspan(std::min<size_t>(size_t(offset), size)), rules);
            } catch (const ECompressError&) {
            }
        }
    }
    return 0;
}

std::vector<std::vector<uint8_t>> MakeFuzzCorpus() {
    std::vector<std::vector<uint8_t>> corpus;
    char folder_name[] = "/tmp/gld-fuzz-archive-XXXXXX";
    if (!mkdtemp(folder_name)) return corpus;
    const std::string folder = folder_name;
    std::mt19937 rng(7);
    auto write = [&](const std::string& name, size_t size, bool text) {
        std::ofstream out(folder + "/" + name, std::ios::binary);
        for (size_t i = 0; i < size; ++i)
            out.put(char(text ? "drome glimmer "[i % 14] : char(rng())));
        return folder + "/" + name;
    };
    const std::vector<std::vector<std::string>> shapes = {
        {},
        {write("one.swf", 1, false)},
        {write("a.swf", 700, false), write("empty.ico", 0, false), write("b.gldp", 300, true)},
        {write("long.txt", 409600 + 33, true), write("z.bin", 90, false)}, // the long shape
    };
    int n = 0;
    for (const auto& files : shapes) {
        // Inputs that reach a full block are costly to expand; a few of them suffice.
        const bool long_shape = files.size() == 2;
        const int variants = long_shape ? 30 : 200;
        const size_t cuts = long_shape ? 13 : 97;
        const std::string path = folder + "/seed" + std::to_string(n++) + ".pak";
        {
            TArchiveManager manager;
            manager.OpenArchive(path, false);
            manager.AddFiles(files);
        }
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> sound((std::istreambuf_iterator<char>(in)), {});
        std::vector<uint8_t> stubbed = {'M', 'Z', 'K', 'L', 'P', 'M', 0, 0};
        stubbed.insert(stubbed.end(), sound.begin(), sound.end());
        for (const auto& base : {sound, stubbed}) {
            corpus.push_back(base);
            for (size_t cut = 0; cut < base.size(); cut += 1 + base.size() / cuts)
                corpus.emplace_back(base.begin(), base.begin() + cut);
            for (int k = 0; k < variants; ++k) {
                std::vector<uint8_t> damaged = base;
                size_t at = rng() % damaged.size();
                switch (k % 3) {
                case 0:
                    damaged[at] ^= uint8_t(1u << (rng() % 8));
                    break;
                case 1:
                    damaged[at] = uint8_t(rng());
                    break;
                default:
                    // A dword of a record set to an extreme value.
                    if (damaged.size() >= 4) {
                        at = (rng() % (damaged.size() / 4)) * 4;
                        uint32_t v = (k & 4) ? 0x7FFFFFFFu : 0xFFFFFFFCu;
                        for (int i = 0; i < 4; ++i)
                            damaged[at + i] = uint8_t(v >> (8 * i));
                    }
                }
                corpus.push_back(std::move(damaged));
            }
        }
    }
    std::filesystem::remove_all(folder);
    return corpus;
}
