// gldpack: the package archive from the command line.
//
// create and add go through the archive manager exactly as the build pipeline does; list,
// extract and test go through the archive reader, which also finds an archive behind a runtime
// stub. Damaged or hostile input ends in one line on stderr and exit status 1.

#include "ArchiveExtractorUnit.h"
#include "ArchiveManagerUnit.h"
#include "ArchiveReaderUnit.h"
#include "BlockPoolsUnit.h"
#include "BuildIdentity.h"
#include "FileLock.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

const char* const USAGE =
    "Usage:\n"
    "  gldpack [-v] create ARCHIVE FILE...   create a new archive holding FILE...\n"
    "  gldpack [-v] add ARCHIVE FILE...      add FILE... to an existing archive\n"
    "  gldpack list FILE                     list the entries of an archive or output file\n"
    "  gldpack [-v] extract FILE DIR         expand every entry into DIR\n"
    "  gldpack [-v] test FILE                expand every block and check every CRC\n"
    "  (create, add, extract and test also take -j N before the command)\n"
    "  gldpack --help | --version\n";

const char* const HELP =
    "gldpack - create, inspect and unpack Glimmerdrome package archives\n"
    "\n"
    "%s"
    "\n"
    "FILE may be a bare archive or an output file (a runtime stub followed by an archive,\n"
    "such as a screensaver or setup.exe); gldpack finds where the archive starts.\n"
    "An ARCHIVE name without an extension gets \".rs\" (a name ending in \".\" gets \"rs\").\n"
    "\n"
    "Options:\n"
    "  -v, --verbose   print the archive manager's log lines (create, add) or one line per\n"
    "                  entry (extract, test) on stdout\n"
    "  -j N            code or expand blocks on N threads (default: one per core, %d here);\n"
    "                  an archive is the same whatever N\n"
    "  -h, --help      show this help\n"
    "      --version   show the version\n"
    "\n"
    "extract writes each entry under its name part only, never outside DIR, and never over\n"
    "or through anything already there: a name that repeats or is taken gets a suffix\n"
    "(\"movie (2).swf\"). Names with control characters are refused, and printed escaped.\n"
    "\n"
    "Exit status: 0 on success; 1 when the archive is damaged, a file could not be added or\n"
    "extracted, or another error occurred; 2 on a usage error.\n";

bool verbose = false;
int threads = 1;

void Fail(const std::string& text) {
    std::fprintf(stderr, "gldpack: %s\n", text.c_str());
}

// Entries the manager skips become lines on stderr; gldpack never asks it to confirm anything.
class TConsoleObserver : public IArchiveObserver {
public:
    void EntrySkipped(const TArchiveDiagnostic& d) override {
        std::string line = d.text;
        std::replace(line.begin(), line.end(), '\r', ' ');
        std::string title = d.caption;
        title.erase(0, title.find_first_not_of(' '));
        Fail(title.empty() ? line : title + ": " + line);
    }
    bool ConfirmCreate(const std::string&) override { return false; }
};

std::string FormatStamp(uint32_t stamp) {
    TDosTime t = UnpackDosTime(stamp);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

std::string FormatAttributes(uint32_t a) {
    std::string s = "-----";
    if (a & 0x01) s[0] = 'R';
    if (a & 0x02) s[1] = 'H';
    if (a & 0x04) s[2] = 'S';
    if (a & 0x10) s[3] = 'D';
    if (a & 0x20) s[4] = 'A';
    return s;
}

// Two adds to one archive would each copy its entries into a new file, and the second rename
// would drop the first one's file. An add holds the archive's lock until it is done; one that
// finds the lock taken waits, and when the archive was replaced meanwhile, locks the new one.
std::unique_ptr<TFileLock> LockArchive(const std::string& path) {
    bool told = false;
    for (;;) {
        auto lock = std::make_unique<TFileLock>(path);
        if (!lock->Opened()) return lock; // a missing archive is reported where it is read
        while (!lock->TryLock()) {
            if (!told) {
                std::fprintf(stderr, "gldpack: waiting for another program that is adding to %s\n",
                             PrintableName(path).c_str());
                told = true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (lock->StillNames(path)) return lock;
    }
}

int PackFiles(bool create, const std::string& archive_name, const std::vector<std::string>& files) {
    const std::string archive_path = TArchiveManager::ArchivePathFor(archive_name);
    const std::string here = fs::current_path().string();
    struct stat st;
    bool exists = ::lstat(archive_path.c_str(), &st) == 0;
    if (create && exists) {
        Fail(archive_path + " already exists; use 'gldpack add' to add files to it.");
        return 1;
    }
    if (!create && !exists) {
        Fail(archive_path + " does not exist; use 'gldpack create' to make it.");
        return 1;
    }
    std::unique_ptr<TFileLock> lock;
    if (!create) lock = LockArchive(archive_path);
    size_t entries_before = 0;
    // The manager copies the old data area as it stands; adding to a damaged archive would
    // only carry the damage into the new one.
    if (!create) {
        try {
            auto reader = TArchiveReader::Open(archive_path);
            if (reader->ArchiveStart() > 0) {
                Fail(archive_path +
                     " is an output file (a runtime stub followed by an archive "
                     "at offset " +
                     std::to_string(reader->ArchiveStart()) +
                     "); files can only be added to a bare archive. Nothing was added.");
                return 1;
            }
            entries_before = reader->Entries().size();
        } catch (const EArchiveDamaged& e) {
            Fail(archive_path + ": " + e.what() + " Nothing was added.");
            return 1;
        }
    }
    // The manager skips missing names and folders without a word; on the command line they
    // were asked for by name, so say so.
    size_t coming = 0;
    for (const std::string& file : files) {
        if (::stat(file.c_str(), &st) != 0)
            Fail(PrintableName(file) + ": " + std::strerror(errno) + "; not added.");
        else if (S_ISDIR(st.st_mode))
            Fail(PrintableName(file) + ": is a folder; folders cannot be added.");
        else
            ++coming;
    }
    // Readers refuse archives of more entries; better to say so before anything is written.
    if (entries_before + coming > MAX_ARCHIVE_ENTRIES) {
        Fail(archive_path + " would hold " + std::to_string(entries_before + coming) +
             " entries; an archive holds at most " + std::to_string(MAX_ARCHIVE_ENTRIES) +
             ". Nothing was " + (create ? "created." : "added."));
        return 1;
    }

    TConsoleObserver observer;
    TArchiveManager manager;
    manager.observer = &observer;
    manager.threads = threads;
    if (verbose)
        manager.OnAddLog = [](TArchiveManager&, const std::string& line) {
            std::printf("%s\n", line.c_str());
        };
    int added = 0;
    if (create) {
        try {
            manager.CreateArchive(archive_path);
        } catch (const EArchiveExists&) {
            Fail(archive_path + " already exists; use 'gldpack add' to add files to it.");
            return 1;
        }
    } else {
        manager.OpenArchive(archive_path, false);
    }
    try {
        added = manager.AddFiles(files, here);
    } catch (...) {
        manager.archive.reset();
        // A fresh archive that could not be filled is no use to anyone.
        if (create) std::remove(archive_path.c_str());
        throw;
    }
    int entries = manager.archive ? manager.archive->central_dir->Count() : 0;
    manager.CloseArchive();
    if (::stat(archive_path.c_str(), &st) != 0) st.st_size = 0;
    std::printf("%s: added %d of %zu file%s; %d entr%s, %lld bytes\n", archive_path.c_str(), added,
                files.size(), files.size() == 1 ? "" : "s", entries, entries == 1 ? "y" : "ies",
                static_cast<long long>(st.st_size));
    return added == int(files.size()) ? 0 : 1;
}

int List(const std::string& file) {
    auto reader = TArchiveReader::Open(file);
    const auto& entries = reader->Entries();
    std::printf("%s: archive at offset %lld, %lld bytes, %zu entr%s, block size %d\n", file.c_str(),
                static_cast<long long>(reader->ArchiveStart()),
                static_cast<long long>(reader->ArchiveLength()), entries.size(),
                entries.size() == 1 ? "y" : "ies", reader->BlockSize());
    if (entries.empty()) return 0;
    std::printf("%12s %12s %7s %10s  %-19s  %-5s  %s\n", "Size", "Compressed", "Blocks", "Offset",
                "Modified", "Attr", "Name");
    long long raw = 0, packed = 0, blocks = 0;
    for (const TArchiveEntry& e : entries) {
        std::printf("%12d %12d %7d %10u  %-19s  %-5s  %s\n", e.raw_size, e.compressed_size,
                    e.block_count, e.data_offset, FormatStamp(e.time_stamp).c_str(),
                    FormatAttributes(e.attributes).c_str(), PrintableName(e.stored_name).c_str());
        raw += e.raw_size;
        packed += e.compressed_size;
        blocks += e.block_count;
    }
    std::printf("%12lld %12lld %7lld %10s  %-19s  %-5s  %zu file%s\n", raw, packed, blocks, "", "",
                "", entries.size(), entries.size() == 1 ? "" : "s");
    return 0;
}

int Extract(const std::string& file, const std::string& dir) {
    auto reader = TArchiveReader::Open(file);
    reader->SetThreads(threads);
    TArchiveExtractor extractor(*reader, dir);
    const auto& entries = reader->Entries();
    size_t failures = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        try {
            const TExtractedFile written = extractor.ExtractEntry(i);
            if (verbose)
                std::printf("%s -> %s\n", PrintableName(entries[i].stored_name).c_str(),
                            PrintableName(written.path).c_str());
        } catch (const EExtractError& e) {
            Fail(e.what());
            ++failures;
        } catch (const EArchiveDamaged& e) {
            Fail(PrintableName(file) + ": " + e.what());
            ++failures;
        }
    }
    std::printf("%s: extracted %zu of %zu entr%s into %s\n", PrintableName(file).c_str(),
                entries.size() - failures, entries.size(), entries.size() == 1 ? "y" : "ies",
                PrintableName(dir).c_str());
    return failures == 0 ? 0 : 1;
}

int Test(const std::string& file) {
    auto reader = TArchiveReader::Open(file);
    reader->SetThreads(threads);
    const auto& entries = reader->Entries();
    int failures = 0;
    long long blocks = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        try {
            reader->ExtractEntry(i, nullptr);
            blocks += entries[i].block_count;
            if (verbose) std::printf("OK  %s\n", PrintableName(entries[i].stored_name).c_str());
        } catch (const std::exception& ex) {
            Fail(PrintableName(file) + ": " + ex.what());
            ++failures;
        }
    }
    if (failures) return 1;
    std::printf("%s: %zu entr%s, %lld block%s, all intact\n", file.c_str(), entries.size(),
                entries.size() == 1 ? "y" : "ies", blocks, blocks == 1 ? "" : "s");
    return 0;
}

int Usage(const std::string& problem) {
    Fail(problem);
    std::fputs(USAGE, stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args;
    bool options_done = false;
    threads = DefaultThreadCount();
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (!options_done && (a == "-h" || a == "--help")) {
            std::printf(HELP, USAGE, DefaultThreadCount());
            return 0;
        }
        if (!options_done && a == "--version") {
            std::printf("%s", VersionLine("gldpack").c_str());
            return 0;
        }
        if (!options_done && (a == "-v" || a == "--verbose")) {
            verbose = true;
            continue;
        }
        if (!options_done && a.rfind("-j", 0) == 0) {
            const std::string count = a.size() > 2 ? a.substr(2) : i + 1 < argc ? argv[++i] : "";
            threads = ParseThreadCount(count);
            if (threads == 0)
                return Usage("-j needs a number of threads from 1 to " +
                             std::to_string(MAX_THREAD_COUNT));
            continue;
        }
        if (!options_done && a == "--") {
            options_done = true;
            continue;
        }
        if (!options_done && a.size() > 1 && a[0] == '-') return Usage("unknown option " + a);
        args.push_back(a);
    }
    if (args.empty()) return Usage("no command given");
    const std::string command = args[0];
    try {
        if (command == "create" || command == "add") {
            if (args.size() < 3) return Usage(command + " needs an archive and at least one file");
            return PackFiles(command == "create", args[1],
                             std::vector<std::string>(args.begin() + 2, args.end()));
        }
        if (command == "list") {
            if (args.size() != 2) return Usage("list needs exactly one file");
            return List(args[1]);
        }
        if (command == "extract") {
            if (args.size() != 3) return Usage("extract needs a file and a folder");
            return Extract(args[1], args[2]);
        }
        if (command == "test") {
            if (args.size() != 2) return Usage("test needs exactly one file");
            return Test(args[1]);
        }
        return Usage("unknown command " + command);
    } catch (const EArchiveDamaged& e) {
        Fail((args.size() > 1 ? args[1] + ": " : std::string()) + e.what());
    } catch (const std::exception& e) {
        Fail(e.what());
    }
    return 1;
}
