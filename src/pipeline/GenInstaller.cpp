#include "GenInstaller.h"

#include "BuildSteps.h"
#include "FilePacker.h"
#include "FilePaths.h"
#include "GenScreensaver.h"
#include "Progress.h"
#include "ResourceLocator.h"
#include "Utils.h"
#include "cFilePacker.h"
#include "cScl.h"

#include <exception>
#include <vector>

namespace {

const char* const kTitle = "Generating Installer...";
const char* const kFailed = "Generate Installer Failed";

// Whatever happens, the files the build made on its way do not stay behind.
class TTemporaries {
public:
    void Add(const std::string& path) { paths.push_back(path); }
    void DeleteAll() {
        for (const std::string& path : paths)
            DeleteOrRemember(path);
        paths.clear();
    }
    ~TTemporaries() { DeleteAll(); }

private:
    std::vector<std::string> paths;
};

} // namespace

int GenerateInstaller(const std::string& project_file, const TResourceLocator& resources) {
    ShowProgress(4);
    AdvanceProgress(kTitle, "Generating screensaver file");
    std::string log;
    TTemporaries temporaries;
    try {
        const std::string project = AbsoluteProjectPath(project_file);
        const std::string folder = ExtractFilePath(project);
        const std::string base = NameWithoutExtension(project);
        log = folder + base + ".log";

        auto fail = [&](const std::string& reason) {
            if (!reason.empty()) AppendLog(log, reason);
            temporaries.DeleteAll();
            SetProgressText(kFailed, "Please check log file " + log);
            FinishProgress();
            AppendLog(log, kFailed);
            return 1;
        };

        // Checked before anything is built: without the stub there can be no installer, and
        // a build that cannot finish should not cost the author the time of a screensaver.
        const std::string stub = resources.InstallerStub();
        if (!FileExists(stub)) {
            const std::string text = "inst.dll is missed! Please reinstall it to fix the problem.";
            Warn(text);
            return fail(text);
        }

        if (GenerateScreensaver(project, false, resources) != 0)
            return fail(""); // the screensaver generator has logged its own reason

        TSCL scl;
        scl.Load(project);
        const std::string screensaver = folder + scl.ProjectName + ".scr";
        temporaries.Add(screensaver);
        const std::string package = folder + base + "_install.pak";
        const std::string temp = FreshTempArchivePath(base, "_install.tmp");
        DeleteOrRemember(package);
        temporaries.Add(package);
        temporaries.Add(temp);

        AdvanceProgress(kTitle, "Compressing neccessary files");
        const std::string readme = ResolveAgainst(folder, scl.ReadmeFile);
        const std::string licence = ResolveAgainst(folder, scl.LicenseFile);
        const std::vector<std::string> files = {
            screensaver,
            project,
            ResolveAgainst(folder, scl.Icon),
            FileExists(readme) ? readme : std::string(),
            FileExists(licence) ? licence : std::string(),
        };

        std::exception_ptr failure;
        try {
            {
                TFilePacker packer;
                packer.Open(temp);
                packer.AddFiles(files);
            }
            CopyArchiveToPackage(temp, package);
            AdvanceProgress(kTitle, "Merging installer file");
            TFilePackerExt joiner;
            joiner.Merge(stub, package, folder + "setup.exe");
        } catch (...) {
            failure = std::current_exception();
        }
        scl.Release();
        if (failure) return fail(MessageOf(failure));

        AdvanceProgress(kTitle, "Deleting useless resources");
        temporaries.DeleteAll();
        SetProgressText("Generate Installer Successfully", "Generated file locates on " + folder);
        return 0;
    } catch (...) {
        const std::string reason = MessageOf(std::current_exception());
        temporaries.DeleteAll();
        SetProgressText(kFailed, reason);
        FinishProgress();
        // The log is the only record a script or a closed window leaves; a log that cannot be
        // written is no reason to hide the failure itself.
        if (!log.empty()) {
            try {
                AppendLog(log, reason);
                AppendLog(log, kFailed);
            } catch (...) {
            }
        }
        return 1;
    }
}
