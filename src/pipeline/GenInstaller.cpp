#include "GenInstaller.h"

#include "BuildContext.h"
#include "BuildSteps.h"
#include "FileErrors.h"
#include "FilePacker.h"
#include "FilePaths.h"
#include "GenScreensaver.h"
#include "Utils.h"
#include "cFilePacker.h"
#include "cScl.h"

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {

const char* const kTitle = "Generating Installer...";
const char* const kFailed = "Generate Installer Failed";

// Whatever happens, the files the build made on its way do not stay behind.
class TTemporaries {
public:
    explicit TTemporaries(TBuildContext& build) : build(build) {}
    void Add(const std::string& path) { paths.push_back(path); }
    void DeleteAll() {
        for (const std::string& path : paths)
            build.DeleteTemporary(path);
        paths.clear();
    }
    ~TTemporaries() { DeleteAll(); }

private:
    TBuildContext& build;
    std::vector<std::string> paths;
};

// A folder of the build's own beside the project, for a screensaver that must not take the
// place of the author's earlier one before the installer is done. Removed with what is in it.
class TPrivateFolder {
public:
    explicit TPrivateFolder(const std::string& parent) {
        std::string pattern = parent + ".gldbuild-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw EFCreateError(FileCreateErrorMessage(parent + ".gldbuild-XXXXXX", errno));
        path = pattern + PathDelim;
    }
    ~TPrivateFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TPrivateFolder(const TPrivateFolder&) = delete;
    TPrivateFolder& operator=(const TPrivateFolder&) = delete;

    // With its trailing separator.
    std::string path;
};

} // namespace

int GenerateInstaller(TBuildContext& build, const std::string& project_file) {
    TProgress& progress = build.Progress();
    progress.ShowProgress(4);
    progress.AdvanceProgress(kTitle, "Generating screensaver file");
    std::string log;
    TTemporaries temporaries(build);
    std::unique_ptr<TPrivateFolder> private_folder;
    try {
        const std::string project = AbsoluteProjectPath(project_file);
        const std::string folder = ExtractFilePath(project);
        const std::string base = NameWithoutExtension(project);
        log = folder + base + ".log";
        build.SetOutput(folder + "setup.exe");

        auto fail = [&](const std::string& reason) {
            if (!reason.empty()) {
                build.Log(log, reason);
                build.Fail(reason);
            }
            temporaries.DeleteAll();
            private_folder.reset();
            progress.MarkFailed();
            progress.SetProgressText(kFailed, build.LogError().empty()
                                                  ? "Please check log file " + log
                                                  : build.Reason());
            progress.FinishProgress();
            build.Log(log, kFailed);
            build.Fail(kFailed);
            return 1;
        };

        // Checked before anything is built: without the stub there can be no installer, and
        // a build that cannot finish should not cost the author the time of a screensaver.
        const std::string stub = build.Resources().InstallerStub();
        if (!FileExists(stub)) {
            const std::string text = "inst.dll is missed! Please reinstall it to fix the problem.";
            build.Warn(text);
            return fail(text);
        }

        TSCL scl;
        scl.Load(project);
        const std::string name = scl.ProjectName;
        scl.Release();
        // A screensaver file of that name from an earlier build stays the author's until this
        // installer is done: the fresh one is made apart and takes its place only then.
        const std::string kept = folder + name + ".scr";
        const bool earlier = ProjectNameFault(name).empty() && PathTaken(kept);
        if (earlier) private_folder = std::make_unique<TPrivateFolder>(folder);
        const std::string screensaver_folder = earlier ? private_folder->path : folder;
        const std::string screensaver = screensaver_folder + name + ".scr";

        if (GenerateScreensaver(build, project, false, screensaver_folder) != 0)
            return fail(""); // the screensaver generator has logged its own reason
        if (!earlier) temporaries.Add(screensaver);
        build.CheckCancelled();

        scl.Load(project);
        progress.AdvanceProgress(kTitle, "Compressing neccessary files");
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
            std::string package;
            {
                TFilePacker packer(&build);
                packer.component->manager->threads = build.Threads();
                temporaries.Add(CreateTempArchive(packer, base, "_install.tmp"));
                packer.AddFiles(files);
                package = CopyArchiveToNewFile(packer, folder, base + "_install", ".pak");
            }
            temporaries.Add(package);
            build.CheckCancelled();
            progress.AdvanceProgress(kTitle, "Merging installer file");
            TFilePackerExt joiner;
            joiner.Merge(stub, package, folder + "setup.exe");
        } catch (...) {
            failure = std::current_exception();
        }
        scl.Release();
        if (failure) return fail(MessageOf(failure));

        progress.AdvanceProgress(kTitle, "Deleting useless resources");
        temporaries.DeleteAll();
        if (earlier) {
            std::error_code error;
            std::filesystem::rename(screensaver, kept, error);
            if (error)
                build.Note(log, "The screensaver file \"" + kept +
                                    "\" could not be replaced by the fresh one. " +
                                    error.message());
            private_folder.reset();
        }
        progress.SetProgressText("Generate Installer Successfully",
                                 "Generated file locates on " + folder);
        return 0;
    } catch (...) {
        const std::string reason = MessageOf(std::current_exception());
        temporaries.DeleteAll();
        private_folder.reset();
        build.Fail(reason);
        progress.MarkFailed();
        progress.SetProgressText(kFailed, reason);
        progress.FinishProgress();
        // The log is the only record a script or a closed window leaves.
        if (!log.empty()) {
            build.Log(log, reason);
            build.Log(log, kFailed);
        }
        return 1;
    }
}
