// Runs the fuzz target over the generated corpus and over any files named on the command line
// (crash reproducers, a libFuzzer corpus folder's files), so every build checks them.

#include "FuzzTarget.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Writes the generated inputs into a folder, one file each, as seeds for a libFuzzer run.
int WriteSeeds(const std::string& folder) {
    std::filesystem::create_directories(folder);
    size_t n = 0;
    for (const auto& input : MakeFuzzCorpus()) {
        std::ofstream out(folder + "/seed-" + std::to_string(n++), std::ios::binary);
        out.write(reinterpret_cast<const char*>(input.data()),
                  static_cast<std::streamsize>(input.size()));
        if (!out) {
            std::fprintf(stderr, "fuzz replay: cannot write the seeds into %s\n", folder.c_str());
            return 1;
        }
    }
    std::printf("fuzz replay: %zu seeds written to %s\n", n, folder.c_str());
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--write-seeds") return WriteSeeds(argv[2]);
    size_t runs = 0;
    for (const auto& input : MakeFuzzCorpus()) {
        LLVMFuzzerTestOneInput(input.data(), input.size());
        ++runs;
    }
    for (int i = 1; i < argc; ++i) {
        std::vector<std::string> files;
        if (std::filesystem::is_directory(argv[i])) {
            for (const auto& e : std::filesystem::directory_iterator(argv[i]))
                if (e.is_regular_file()) files.push_back(e.path().string());
        } else {
            files.push_back(argv[i]);
        }
        for (const auto& name : files) {
            std::ifstream in(name, std::ios::binary);
            std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++runs;
        }
    }
    if (runs < 1000) {
        std::fprintf(stderr, "fuzz replay: only %zu inputs; the corpus could not be made\n", runs);
        return 1;
    }
    std::printf("fuzz replay: %zu inputs, no crash\n", runs);
    return 0;
}
