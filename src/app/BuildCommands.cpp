#include "BuildCommands.h"

#include "BuildSteps.h"
#include "Config.h"
#include "FilePaths.h"
#include "OpenAddress.h"
#include "Shell.h"
#include "Utils.h"

#include <stdexcept>
#include <thread>

namespace {

// The main window comes back whatever way the generation ends, an error included.
class TMainDisabled {
public:
    explicit TMainDisabled(IBuildHost& host) : host(host) { host.SetMainEnabled(false); }
    ~TMainDisabled() { host.SetMainEnabled(true); }
    TMainDisabled(const TMainDisabled&) = delete;
    TMainDisabled& operator=(const TMainDisabled&) = delete;

private:
    IBuildHost& host;
};

std::string InstallerBeside(const std::string& project_file) {
    return JoinPath(ExtractFileDir(AbsoluteProjectPath(project_file)), "setup.exe");
}

TBuildParameters BuildOf(IBuildHost& host, const std::string& project, TBuildKind kind) {
    TBuildParameters parameters;
    parameters.project_file = project;
    parameters.resources = host.Resources();
    parameters.threads = static_cast<int>(std::thread::hardware_concurrency());
    parameters.kind = kind;
    return parameters;
}

// Runs the build with the window disabled, then tells the author what the progress window
// cannot: files left out, and an error no generator caught (as the general error box).
TBuildResult Build(IBuildHost& host, const TBuildParameters& parameters) {
    TBuildResult result;
    {
        TMainDisabled disabled(host);
        result = host.RunBuild(parameters);
    }
    if (!result.error.empty()) throw std::runtime_error(result.error);
    if (!result.warnings.empty() && !host.Closing()) {
        std::string text;
        for (const std::string& warning : result.warnings)
            text += (text.empty() ? "" : "\n") + warning;
        Warn(text);
    }
    return result;
}

// The installer just built is a program of its own: it is started itself, not handed to the
// desktop's handler for its name (which would rather open an ".exe" elsewhere, or nowhere).
void StartInstaller(const std::string& setup) {
    const std::string why = StartProgram({setup});
    if (!why.empty()) Warn("Cannot start \"" + setup + "\". " + why);
}

} // namespace

void CompileCommand(IBuildHost& host) {
    if (host.FileRowCount() == 0) {
        Warn(NoFlashFileText);
        return;
    }
    if (host.Modified()) host.Save();
    const std::string project = host.ProjectFile();
    if (project.empty()) return;
    const TBuildResult result = Build(host, BuildOf(host, project, TBuildKind::Installer));
    if (result.Succeeded() && !host.Closing() && host.Settings().GetTestAfterCompile() &&
        Confirm(TestInstallerQuestion))
        StartInstaller(InstallerBeside(project));
}

void RunCommand(IBuildHost& host) {
    if (host.Modified()) host.Save();
    const std::string project = host.ProjectFile();
    if (project.empty()) return;
    const TBuildResult result = Build(host, BuildOf(host, project, TBuildKind::Installer));
    if (result.Succeeded() && !host.Closing()) {
        host.ReleaseProgress();
        StartInstaller(InstallerBeside(project));
    }
}

void ScreensaverGeneratorCommand(IBuildHost& host) {
    if (host.FileRowCount() == 0) {
        Warn(NoFlashFileText);
        return;
    }
    if (!Confirm(SingleScreensaverQuestion)) return;
    if (host.ProjectFile().empty()) {
        if (!Confirm(NotSavedQuestion)) return;
        host.Save();
        if (host.ProjectFile().empty()) return;
    }
    Build(host, BuildOf(host, host.ProjectFile(), TBuildKind::Screensaver));
}

void HomepageCommand() {
    OpenAddress(HomepageAddress);
}
