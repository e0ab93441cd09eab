#pragma once
// The command line every runtime shares: --help, --version, --list, --test and
// --extract FOLDER. A runtime parses its own options first, hands the rest here, and runs
// what this part recognises with RunCommonCommand.

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

class TRuntimeArchive;

// What a runtime tells the shared part about itself.
struct TRuntimeIdentity {
    std::string program; // the name it was started as, for messages
    std::string noun;    // "screensaver" or "installer"
    std::string version; // the runtime's own version
    std::string usage;   // its own options, one per line, for --help
};

enum class TCommonCommand { None, Help, Version, List, Test, Extract, UsageError };

struct TCommonRequest {
    TCommonCommand command = TCommonCommand::None;
    std::string folder; // Extract: the target folder
    std::string error;  // UsageError: what was wrong with the arguments
};

// Recognises the shared options in args (without the program name). None when args hold
// none of them; UsageError for a shared option without its value or followed by extra words.
TCommonRequest ParseCommonOptions(const std::vector<std::string>& args);

// What a runtime adds to the shared commands.
struct TRuntimeHooks {
    // --test: after every block's checksum, checks what the archive holds (the screensaver:
    // that its project file is there and every movie it names is a movie). Raises with a
    // message for the user; may print lines to out.
    std::function<void(TRuntimeArchive&, std::FILE* out)> test_contents;
    // --version: one line about the packed project ("Sky 1.00 by Ann"), or "".
    std::function<std::string(TRuntimeArchive&)> describe;
};

// Runs a recognised request against the program's own archive and returns the exit status:
// 0 done, 1 failed (message on err), 2 bad arguments (usage on err).
int RunCommonCommand(const TCommonRequest& request, const TRuntimeIdentity& identity,
                     const TRuntimeHooks& hooks, std::FILE* out, std::FILE* err);
// The same against the archive at the end of archive_path (tests).
int RunCommonCommand(const TCommonRequest& request, const TRuntimeIdentity& identity,
                     const TRuntimeHooks& hooks, const std::string& archive_path, std::FILE* out,
                     std::FILE* err);

// The full --help text.
std::string RuntimeUsage(const TRuntimeIdentity& identity);

// The name a program was started as, for messages: the file name of argv[0], or fallback.
std::string ProgramName(int argc, char** argv, const std::string& fallback);
