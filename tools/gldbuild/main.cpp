// gldbuild: the build pipeline from the command line, for scripts and continuous integration.
//
// The same generators as the program's Compile and Screensaver Generator commands; progress
// goes to the terminal, message boxes become lines on stderr, and the exit status is 0 only
// when the output file was written.

#include "FilePaths.h"
#include "GenInstaller.h"
#include "GenScreensaver.h"
#include "Messages.h"
#include "Progress.h"
#include "ResourceLocator.h"
#include "UndeletedTempFiles.h"
#include "cScl.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>

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
    "  -h, --help         show this help\n"
    "      --version      show the version\n"
    "\n"
    "Exit status: 0 when the output file was written; 1 when the build failed; 2 on a usage\n"
    "error.\n";

bool quiet = false;

// Boxes become lines on stderr. The generators only warn; a question would be answered No,
// so that nothing is done without the author's consent.
class TConsoleBoxes : public IMessageBoxes {
public:
    TMsgAnswer Show(const std::string& text, const std::string& caption, TMsgIcon,
                    TMsgButtons buttons) override {
        std::string line = text;
        std::replace(line.begin(), line.end(), '\r', ' ');
        std::replace(line.begin(), line.end(), '\n', ' ');
        std::string title = caption;
        title.erase(0, title.find_first_not_of(' '));
        const bool question = buttons != TMsgButtons::Ok;
        std::fprintf(stderr, "gldbuild: %s%s%s%s\n", title.c_str(), title.empty() ? "" : ": ",
                     line.c_str(), question ? " (answered No)" : "");
        return question ? TMsgAnswer::No : TMsgAnswer::Ok;
    }
};

// The progress display as lines: one per step, then the outcome.
class TTerminalProgress : public IProgressView {
public:
    void Present() override {}
    void SetTexts(const std::string& title, const std::string& description) override {
        this->title = title;
        this->description = description;
        pending = true;
    }
    void SetPosition(int percent) override {
        position = percent;
        Print();
    }
    void SetSucceedVisible(bool) override {}
    void Release() override { delete this; }
    ~TTerminalProgress() override { Print(); }

private:
    void Print() {
        if (!pending || quiet) return;
        std::printf("[%3d%%] %s - %s\n", position, title.c_str(), description.c_str());
        std::fflush(stdout);
        pending = false;
    }
    std::string title, description;
    int position = 0;
    bool pending = false;
};

// gldbuild holds no file open when it ends, so whatever the generators could not delete is
// tried once more instead of being left for a clean-up script.
void RetryUndeletedTempFiles() {
    for (const std::string& path : UndeletedTempFiles()) {
        std::error_code error;
        std::filesystem::remove(path, error);
        if (std::filesystem::exists(path, error))
            std::fprintf(stderr, "gldbuild: could not delete the temporary file \"%s\"\n",
                         path.c_str());
    }
    UndeletedTempFiles().clear();
}

} // namespace

int main(int argc, char** argv) {
    std::string project;
    bool screensaver = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::printf("%s", HELP);
            return 0;
        }
        if (arg == "--version") {
            std::printf("gldbuild 1.0\n");
            return 0;
        }
        if (arg == "-s" || arg == "--screensaver") {
            screensaver = true;
        } else if (arg == "-q" || arg == "--quiet") {
            quiet = true;
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "gldbuild: unknown option %s\n\n%s", arg.c_str(), HELP);
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
        std::fprintf(stderr, "gldbuild: no project file given\n\n%s", HELP);
        return 2;
    }
    // A missing project would load as an empty default project and fail for a misleading
    // reason ("no flash file"); say what is really wrong.
    if (!FileExists(project)) {
        std::fprintf(stderr, "gldbuild: Cannot open file \"%s\". No such project file\n",
                     project.c_str());
        return 1;
    }

    TConsoleBoxes boxes;
    TMessageBoxesScope scope(boxes);
    SetProgressPause(0);
    InstallProgressViewFactory([] { return new TTerminalProgress; });

    int result = 1;
    try {
        const TResourceLocator resources = TResourceLocator::ForRunningProgram();
        result = screensaver ? GenerateScreensaver(project, true, resources)
                             : GenerateInstaller(project, resources);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gldbuild: %s\n", e.what());
        result = 1;
    }
    ReleaseProgress();
    InstallProgressViewFactory(nullptr);
    RetryUndeletedTempFiles();
    return result == 0 ? 0 : 1;
}
