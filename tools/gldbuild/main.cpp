// gldbuild: the build pipeline from the command line, for scripts and continuous integration.
//
// The same generators as the program's Compile and Screensaver Generator commands; progress
// goes to the terminal, message boxes become lines on stderr, and the exit status is 0 only
// when the output file was written.

#include "BlockPoolsUnit.h"
#include "BuildIdentity.h"
#include "BuildJob.h"
#include "FilePaths.h"
#include "Messages.h"
#include "ResourceLocator.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

const char* const HELP =
    "gldbuild - build a Glimmerdrome project without the user interface\n"
    "\n"
    "Usage:\n"
    "  gldbuild PROJECT.gldp                build setup.exe beside the project\n"
    "  gldbuild PROJECT.gldp --screensaver  build only the screensaver (<project name>.scr)\n"
    "  gldbuild --help | --version\n"
    "\n"
    "The runtime stubs saver.dll and inst.dll are taken from the folder gldbuild lives in.\n"
    "Progress is printed on stdout; warnings and errors on stderr. When a build fails, the\n"
    "reason is also appended to the project's log file (<project file name>.log).\n"
    "\n"
    "Options:\n"
    "  -s, --screensaver  build the screensaver file instead of the installer\n"
    "  -q, --quiet        print nothing but warnings and errors\n"
    "  -j N               compress on N threads (default: one per core, %d here); the\n"
    "                     output is the same whatever N\n"
    "      --no-wait      fail at once when another build of the project runs (the default\n"
    "                     is to wait for it)\n"
    "  -h, --help         show this help\n"
    "      --version      show the version\n"
    "\n"
    "Exit status: 0 when the output file was written; 1 when the build failed; 2 on a usage\n"
    "error.\n";

bool quiet = false;

// Texts of boxes and logs are one line on the terminal.
std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

// Boxes that something below the build may still show become lines on stderr; a question is
// answered No, so that nothing is done without the author's consent.
class TConsoleBoxes : public IMessageBoxes {
public:
    TMsgAnswer Show(const std::string& text, const std::string& caption, TMsgIcon,
                    TMsgButtons buttons) override {
        std::string title = caption;
        title.erase(0, title.find_first_not_of(' '));
        const bool question = buttons != TMsgButtons::Ok;
        std::fprintf(stderr, "gldbuild: %s%s%s%s\n", title.c_str(), title.empty() ? "" : ": ",
                     OneLine(text).c_str(), question ? " (answered No)" : "");
        return question ? TMsgAnswer::No : TMsgAnswer::Ok;
    }
};

// The build as lines: one per step on stdout, what the program would show in boxes on stderr,
// and at the end of a failed build its reason with the log's path, whatever else happened.
class TTerminalObserver : public IBuildObserver {
public:
    void ProgressChanged(const TProgressState& state) override {
        if (quiet || (state.title == printed_title && state.description == printed_description))
            return;
        printed_title = state.title;
        printed_description = state.description;
        std::printf("[%3d%%] %s - %s\n", state.position, state.title.c_str(),
                    state.description.c_str());
        std::fflush(stdout);
    }
    void Warning(const std::string& text) override {
        std::fprintf(stderr, "gldbuild: Warning: %s\n", OneLine(text).c_str());
    }
    void EntrySkipped(const TArchiveDiagnostic& diagnostic) override {
        std::string caption = diagnostic.caption;
        caption.erase(0, caption.find_first_not_of(' '));
        std::fprintf(stderr, "gldbuild: %s: %s\n", caption.c_str(),
                     OneLine(diagnostic.text).c_str());
    }
    void LogFailed(const std::string& log_file, const std::string& error) override {
        std::fprintf(stderr, "gldbuild: cannot write the log file \"%s\": %s\n", log_file.c_str(),
                     OneLine(error).c_str());
    }
    void WaitingForProject(const std::string& project) override {
        std::fprintf(stderr, "gldbuild: waiting for another build of \"%s\" to finish\n",
                     project.c_str());
    }
    void Finished(const TBuildResult& result) override {
        for (const std::string& warning : result.warnings)
            std::fprintf(stderr, "gldbuild: warning: %s\n", OneLine(warning).c_str());
        if (result.Succeeded()) return;
        // The one line a script is sure to get, with -q and on a full disk alike.
        std::fprintf(stderr, "gldbuild: the build failed: %s\n", OneLine(result.reason).c_str());
        if (result.log_error.empty())
            std::fprintf(stderr, "gldbuild: see the log file \"%s\"\n", result.log_file.c_str());
        else
            std::fprintf(stderr, "gldbuild: the log file \"%s\" could not be written: %s\n",
                         result.log_file.c_str(), OneLine(result.log_error).c_str());
    }

private:
    std::string printed_title, printed_description;
};

// gldbuild holds no file open when it ends, so whatever the build could not delete is tried
// once more instead of being left for a clean-up script.
void RetryUndeletedTempFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        std::error_code error;
        std::filesystem::remove(path, error);
        if (std::filesystem::exists(std::filesystem::symlink_status(path, error)))
            std::fprintf(stderr, "gldbuild: could not delete the temporary file \"%s\"\n",
                         path.c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    std::string project;
    bool screensaver = false;
    bool wait = true;
    int threads = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::printf(HELP, DefaultThreadCount());
            return 0;
        }
        if (arg == "--version") {
            std::printf("%s", VersionLine("gldbuild").c_str());
            return 0;
        }
        if (arg == "-s" || arg == "--screensaver") {
            screensaver = true;
        } else if (arg == "-q" || arg == "--quiet") {
            quiet = true;
        } else if (arg == "--no-wait") {
            wait = false;
        } else if (arg.rfind("-j", 0) == 0) {
            const std::string count = arg.size() > 2 ? arg.substr(2)
                                      : i + 1 < argc ? argv[++i]
                                                     : "";
            threads = ParseThreadCount(count);
            if (threads == 0) {
                std::fprintf(stderr, "gldbuild: -j needs a number of threads from 1 to %d\n",
                             MAX_THREAD_COUNT);
                return 2;
            }
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "gldbuild: unknown option %s\n\n", arg.c_str());
            std::fprintf(stderr, HELP, DefaultThreadCount());
            return 2;
        } else if (project.empty()) {
            project = arg;
        } else {
            std::fprintf(stderr, "gldbuild: one project at a time (got %s and %s)\n",
                         project.c_str(), arg.c_str());
            return 2;
        }
    }
    if (project.empty()) {
        std::fprintf(stderr, "gldbuild: no project file given\n\n");
        std::fprintf(stderr, HELP, DefaultThreadCount());
        return 2;
    }
    // A missing project would load as an empty default project and fail for a misleading
    // reason ("no flash file"); say what is really wrong.
    if (!FileExists(project)) {
        std::fprintf(stderr, "gldbuild: Cannot open file \"%s\". No such project file\n",
                     project.c_str());
        return 1;
    }

    TBuildParameters parameters;
    parameters.project_file = project;
    parameters.resources = TResourceLocator::ForRunningProgram();
    parameters.kind = screensaver ? TBuildKind::Screensaver : TBuildKind::Installer;
    parameters.step_pause_ms = 0;
    parameters.wait_for_project = wait;
    parameters.threads = threads;
    TConsoleBoxes boxes;
    TMessageBoxesScope scope(boxes);
    TTerminalObserver observer;
    TBuildJob job(parameters, observer);
    const TBuildResult result = job.Run();
    RetryUndeletedTempFiles(result.undeleted);
    return result.Succeeded() ? 0 : 1;
}
