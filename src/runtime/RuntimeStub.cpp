// The runtime stub in front of a screensaver file ("saver.dll") or an installer ("inst.dll").
// The archive that the generator appended to it holds the movies and settings (screensaver)
// or the screensaver and its texts (installer); this stub can list, extract and test it.

#include "ArchiveReaderUnit.h"
#include "FileErrors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

const char* const kKind = GLD_STUB_KIND;

std::string OwnPath(const char* argv0) {
    // /proc/self/exe names this very file even when it was started through a link or a
    // relative path; argv[0] is only the fall-back.
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error)
        return self.string();
    return argv0 ? argv0 : "";
}

void Usage(std::FILE* to, const std::string& program) {
    const bool saver = std::strcmp(kKind, "saver") == 0;
    std::fprintf(to,
                 "%s: the Glimmerdrome %s runtime.\n"
                 "Usage: %s --list | --extract FOLDER | --test\n"
                 "  --list            list the files packed into this %s\n"
                 "  --extract FOLDER  write them into FOLDER, each under its own name\n"
                 "  --test            expand every file and check every checksum\n",
                 program.c_str(), saver ? "screensaver" : "installer", program.c_str(),
                 saver ? "screensaver" : "installer");
}

// Entries carry the paths of the building machine; only the last part names the file here,
// and a part that could lead out of the target folder is refused.
bool SafeName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string::npos;
}

int List(TArchiveReader& reader) {
    std::printf("%12s %12s  %s\n", "Size", "Packed", "Name");
    for (const TArchiveEntry& entry : reader.Entries())
        std::printf("%12d %12d  %s\n", entry.raw_size, entry.compressed_size,
                    entry.stored_name.c_str());
    std::printf("%zu file(s)\n", reader.Entries().size());
    return 0;
}

int Extract(TArchiveReader& reader, const std::string& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "Cannot create folder \"%s\". %s\n", folder.c_str(),
                     error.message().c_str());
        return 1;
    }
    const auto& entries = reader.Entries();
    std::set<std::string> used;
    for (size_t i = 0; i < entries.size(); ++i) {
        std::string name = entries[i].name_part;
        if (!SafeName(name)) {
            std::fprintf(stderr, "Skipped \"%s\": not a usable file name.\n",
                         entries[i].stored_name.c_str());
            return 1;
        }
        // A movie listed twice is stored twice; the second copy must not overwrite the first.
        const fs::path plain(name);
        for (int copy = 2; used.count(name); ++copy)
            name = plain.stem().string() + " (" + std::to_string(copy) + ")" +
                   plain.extension().string();
        used.insert(name);
        const std::string target = (fs::path(folder) / name).string();
        std::FILE* out = std::fopen(target.c_str(), "wb");
        if (!out) {
            std::fprintf(stderr, "%s\n", FileCreateErrorMessage(target, errno).c_str());
            return 1;
        }
        bool written = true;
        try {
            reader.ExtractEntry(i, [&](const uint8_t* data, size_t size) {
                if (written && std::fwrite(data, 1, size, out) != size)
                    written = false;
            });
        } catch (...) {
            std::fclose(out);
            fs::remove(target, error);
            throw;
        }
        if (std::fclose(out) != 0 || !written) {
            fs::remove(target, error);
            std::fprintf(stderr, "Cannot write \"%s\".\n", target.c_str());
            return 1;
        }
        std::printf("%s\n", target.c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string program = argc > 0 && argv[0] ? fs::path(argv[0]).filename().string()
                                                     : std::string(kKind) + ".dll";
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        Usage(argc < 2 ? stderr : stdout, program);
        return argc < 2 ? 2 : 0;
    }
    const std::string command = argv[1];
    if (command != "--list" && command != "--test" && command != "--extract") {
        Usage(stderr, program);
        return 2;
    }
    if (command == "--extract" && argc < 3) {
        std::fprintf(stderr, "%s: --extract needs a folder.\n", program.c_str());
        return 2;
    }
    try {
        std::unique_ptr<TArchiveReader> reader = TArchiveReader::Open(OwnPath(argv[0]));
        if (command == "--list")
            return List(*reader);
        if (command == "--test") {
            reader->TestAll();
            std::printf("%zu file(s) OK\n", reader->Entries().size());
            return 0;
        }
        return Extract(*reader, argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), e.what());
        return 1;
    }
}
