#include "RuntimeCommandLine.h"

#include "FileErrors.h"
#include "RuntimeArchive.h"

#include <cerrno>
#include <exception>
#include <filesystem>
#include <set>

namespace {

namespace fs = std::filesystem;

// Entries carry the paths of the building machine; only the last part names the file here,
// and a part that could lead out of the target folder is refused.
bool SafeName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string::npos;
}

int List(TRuntimeArchive& archive, std::FILE* out) {
    std::fprintf(out, "%12s %12s  %s\n", "Size", "Packed", "Name");
    for (const TArchiveEntry& entry : archive.Entries())
        std::fprintf(out, "%12d %12d  %s\n", entry.raw_size, entry.compressed_size,
                     entry.stored_name.c_str());
    std::fprintf(out, "%zu file(s)\n", archive.Entries().size());
    return 0;
}

int Extract(TRuntimeArchive& archive, const std::string& folder, std::FILE* out, std::FILE* err) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        std::fprintf(err, "Cannot create folder \"%s\". %s\n", folder.c_str(),
                     error.message().c_str());
        return 1;
    }
    const auto& entries = archive.Entries();
    std::set<std::string> used;
    for (size_t i = 0; i < entries.size(); ++i) {
        std::string name = entries[i].name_part;
        if (!SafeName(name)) {
            std::fprintf(err, "Skipped \"%s\": not a usable file name.\n",
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
        std::FILE* file = std::fopen(target.c_str(), "wb");
        if (!file) {
            std::fprintf(err, "%s\n", FileCreateErrorMessage(target, errno).c_str());
            return 1;
        }
        bool written = true;
        try {
            archive.Reader().ExtractEntry(i, [&](const uint8_t* data, size_t size) {
                if (written && std::fwrite(data, 1, size, file) != size) written = false;
            });
        } catch (...) {
            std::fclose(file);
            fs::remove(target, error);
            throw;
        }
        if (std::fclose(file) != 0 || !written) {
            fs::remove(target, error);
            std::fprintf(err, "Cannot write \"%s\".\n", target.c_str());
            return 1;
        }
        std::fprintf(out, "%s\n", target.c_str());
    }
    return 0;
}

int Run(const TCommonRequest& request, const TRuntimeIdentity& identity, const TRuntimeHooks& hooks,
        const std::function<std::unique_ptr<TRuntimeArchive>()>& open, std::FILE* out,
        std::FILE* err) {
    switch (request.command) {
    case TCommonCommand::None:
        return 2;
    case TCommonCommand::UsageError:
        std::fprintf(err, "%s: %s\n%s", identity.program.c_str(), request.error.c_str(),
                     RuntimeUsage(identity).c_str());
        return 2;
    case TCommonCommand::Help:
        std::fputs(RuntimeUsage(identity).c_str(), out);
        return 0;
    default:
        break;
    }
    try {
        if (request.command == TCommonCommand::Version) {
            std::fprintf(out, "%s: Glimmerdrome %s runtime %s\n", identity.program.c_str(),
                         identity.noun.c_str(), identity.version.c_str());
            // The version of the runtime is known without an archive; what it carries is not.
            try {
                auto archive = open();
                const std::string about = hooks.describe ? hooks.describe(*archive) : "";
                if (!about.empty()) std::fprintf(out, "%s\n", about.c_str());
            } catch (const std::exception&) {
            }
            return 0;
        }
        auto archive = open();
        switch (request.command) {
        case TCommonCommand::List:
            return List(*archive, out);
        case TCommonCommand::Test:
            archive->Reader().TestAll();
            if (hooks.test_contents) hooks.test_contents(*archive, out);
            std::fprintf(out, "%zu file(s) OK\n", archive->Entries().size());
            return 0;
        case TCommonCommand::Extract:
            return Extract(*archive, request.folder, out, err);
        default:
            return 2;
        }
    } catch (const std::exception& e) {
        std::fprintf(err, "%s: %s\n", identity.program.c_str(), e.what());
        return 1;
    }
}

} // namespace

TCommonRequest ParseCommonOptions(const std::vector<std::string>& args) {
    TCommonRequest request;
    if (args.empty()) return request;
    const std::string& first = args[0];
    size_t takes = 1;
    if (first == "--help" || first == "-h" || first == "-help" || first == "/?") {
        request.command = TCommonCommand::Help;
    } else if (first == "--version" || first == "-version") {
        request.command = TCommonCommand::Version;
    } else if (first == "--list") {
        request.command = TCommonCommand::List;
    } else if (first == "--test") {
        request.command = TCommonCommand::Test;
    } else if (first == "--extract") {
        request.command = TCommonCommand::Extract;
        if (args.size() < 2 || args[1].empty()) {
            request.command = TCommonCommand::UsageError;
            request.error = "--extract needs a folder.";
            return request;
        }
        request.folder = args[1];
        takes = 2;
    } else {
        return request;
    }
    if (args.size() > takes) {
        request.command = TCommonCommand::UsageError;
        request.error = "unexpected argument \"" + args[takes] + "\" after " + first + ".";
    }
    return request;
}

int RunCommonCommand(const TCommonRequest& request, const TRuntimeIdentity& identity,
                     const TRuntimeHooks& hooks, std::FILE* out, std::FILE* err) {
    return Run(
        request, identity, hooks, [] { return TRuntimeArchive::OpenSelf(); }, out, err);
}

int RunCommonCommand(const TCommonRequest& request, const TRuntimeIdentity& identity,
                     const TRuntimeHooks& hooks, const std::string& archive_path, std::FILE* out,
                     std::FILE* err) {
    return Run(
        request, identity, hooks, [&archive_path] { return TRuntimeArchive::Open(archive_path); },
        out, err);
}

std::string RuntimeUsage(const TRuntimeIdentity& identity) {
    const std::string& p = identity.program;
    std::string text = p + ": the Glimmerdrome " + identity.noun + " runtime.\n" + "Usage: " + p +
                       " [OPTION]\n" + identity.usage;
    text += "  --list            list the files packed into this " + identity.noun + "\n";
    text += "  --extract FOLDER  write them into FOLDER, each under its own name\n";
    text += "  --test            expand every file and check every checksum\n";
    text += "  --version         show the runtime's version and what it carries\n";
    text += "  --help            show this help\n";
    return text;
}

std::string ProgramName(int argc, char** argv, const std::string& fallback) {
    if (argc > 0 && argv && argv[0] && *argv[0]) {
        const std::string name = fs::path(argv[0]).filename().string();
        if (!name.empty()) return name;
    }
    return fallback;
}
