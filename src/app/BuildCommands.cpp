#include "BuildCommands.h"

#include "BuildSteps.h"
#include "Config.h"
#include "FilePaths.h"
#include "GenInstaller.h"
#include "GenScreensaver.h"
#include "Progress.h"
#include "Shell.h"
#include "Utils.h"

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

} // namespace

void CompileCommand(IBuildHost& host) {
    if (host.FileRowCount() == 0) {
        Warn(NoFlashFileText);
        return;
    }
    if (host.Modified()) host.Save();
    const std::string project = host.ProjectFile();
    if (project.empty()) return;
    int result;
    {
        TMainDisabled disabled(host);
        result = GenerateInstaller(project, host.Resources());
    }
    if (result == 0 && host.Settings().GetTestAfterCompile() && Confirm(TestInstallerQuestion))
        ShellOpen(InstallerBeside(project));
}

void RunCommand(IBuildHost& host) {
    if (host.Modified()) host.Save();
    const std::string project = host.ProjectFile();
    if (project.empty()) return;
    TMainDisabled disabled(host);
    if (GenerateInstaller(project, host.Resources()) == 0) {
        ReleaseProgress();
        ShellOpen(InstallerBeside(project));
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
    TMainDisabled disabled(host);
    GenerateScreensaver(host.ProjectFile(), true, host.Resources());
}

void TopicCommand(IBuildHost& host) {
    ShellOpen(host.Resources().HelpFile());
}

void HomepageCommand() {
    ShellOpen(HomepageAddress);
}
