#include "RuntimeCommandLine.h"

#include "ArchiveExtractorUnit.h"
#include "RuntimeArchive.h"

#include <exception>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

int List(TRuntimeArchive& archive, std::FILE* out) {
    std::fprintf(out, "%12s %12s  %s\n", "Size", "Packed", "Name");
    for (const TArchiveEntry& entry : archive.Entries())
        std::fprintf(out, "%12d %12d  %s\n", entry.raw_size, entry.compressed_size,
                     PrintableName(entry.stored_name).c_str());
    std::fprintf(out, "%zu file(s)\n", archive.Entries().size());
    return 0;
}

// Entries carry the paths of the building machine; the shared extractor writes each under its
// name part, never over or through anything already in the folder.
int Extract(TRuntimeArchive& archive, const std::string& folder, std::FILE* out, std::FILE* err) {
    TArchiveExtractor extractor(archive.Reader(), folder);
    bool failed = false;
    for (size_t i = 0; i < archive.Entries().size(); ++i) {
        try {
            const TExtractedFile file = extractor.ExtractEntry(i);
            std::fprintf(out, "%s\n", PrintableName(file.path).c_str());
        } catch (const EExtractCancelled&) {
            throw;
        } catch (const std::exception& error) {
            std::fprintf(err, "%s\n", error.what());
            failed = true;
        }
    }
    return failed ? 1 : 0;
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
