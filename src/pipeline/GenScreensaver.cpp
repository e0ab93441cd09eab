#include "GenScreensaver.h"

#include "ArchiveFormatUnit.h"
#include "BuildContext.h"
#include "BuildSteps.h"
#include "FilePacker.h"
#include "FilePaths.h"
#include "FlashInfo.h"
#include "Utils.h"
#include "cFilePacker.h"
#include "cScl.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <set>
#include <stdexcept>
#include <vector>

namespace {

const char* const kTitle = "Generating Screensaver...";

// Releases the project document on every way out.
struct TDocumentGuard {
    TSCL& scl;
    ~TDocumentGuard() { scl.Release(); }
};

// How many of the movies made it into the packer's archive.
int MoviesPacked(TFilePacker& packer, const std::vector<std::string>& movies) {
    const std::set<std::string> wanted(movies.begin(), movies.end());
    int packed = 0;
    TArchiveManager& manager = *packer.component->manager;
    if (!manager.archive) return 0;
    TCentralDir& dir = *manager.archive->central_dir;
    for (int i = 0; i < dir.Count(); ++i)
        if (wanted.count(dir[i]->StoredName())) ++packed;
    return packed;
}

} // namespace

std::string ProjectNameFault(const std::string& project_name) {
    const bool blank = std::all_of(project_name.begin(), project_name.end(),
                                   [](unsigned char c) { return c == ' ' || c == '.'; });
    if (blank)
        return "The project has no name that can name the screensaver file. Please enter a "
               "project name on the General Information page.";
    bool unusable = project_name.find("..") != std::string::npos;
    for (unsigned char c : project_name) {
        // Separators of either kind would lead out of the project's folder; the rest cannot
        // stand in a file name on Windows, where the screensaver is meant to be installed.
        if (c < 0x20 || c == 0x7f ||
            std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos)
            unusable = true;
    }
    if (unusable)
        return "The project name \"" + project_name +
               "\" cannot be used as the screensaver's file name. Please choose a name without "
               "\\ / : * ? \" < > | and without \"..\" on the General Information page.";
    return "";
}

int GetFileKind(const std::string& file_name) {
    std::string extension = ExtractFileExt(file_name);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".scr") return 1;
    if (extension == ".swf") return 2;
    if (extension == ".jpg" || extension == ".jpeg" || extension == ".bmp" || extension == ".gif")
        return 3;
    if (extension == ".mp3" || extension == ".mp2" || extension == ".mp1") return 4;
    return FolderExists(file_name) ? 5 : 0;
}

int GenerateScreensaver(TBuildContext& build, const std::string& project_file, bool show_progress,
                        const std::string& output_folder) {
    const std::string project = AbsoluteProjectPath(project_file);
    TSCL scl;
    scl.Load(project);
    TDocumentGuard release{scl};
    TProgress& progress = build.Progress();

    const std::string folder = ExtractFilePath(project);
    const std::string base = NameWithoutExtension(project);
    const std::string log = folder + base + ".log";

    auto refuse = [&](const std::string& text) {
        build.Warn(text);
        build.Log(log, text);
        build.Fail(text);
        return 1;
    };
    if (scl.Files.empty()) return refuse(NoFlashFileText);
    if (const std::string fault = ProjectNameFault(scl.ProjectName); !fault.empty())
        return refuse(fault);
    const std::string stub = build.Resources().SaverStub();
    if (!FileExists(stub))
        return refuse("saver.dll is missed! Please reinstall it to fix the problem.");

    // A movie that has gone is left out, as the archive manager always did, but no longer
    // without a word; a screensaver without any movie is no screensaver at all.
    std::vector<std::string> movies;
    int present = 0;
    for (const std::string& file : scl.Files) {
        const std::string movie = ResolveAgainst(folder, file);
        // Names are shown escaped: a control character in a project file must not reach the
        // log or a terminal raw, and a NUL would cut the name short there.
        const std::string shown = PrintableName(movie);
        movies.push_back(movie);
        // The archive manager leaves such a name out and says why; the system would read it only
        // up to that byte, so the checks below would look at another file.
        if (movie.find('\0') != std::string::npos) continue;
        if (!PathTaken(movie)) {
            build.Note(log, "The Flash file \"" + shown + "\" does not exist; it is left out.");
        } else if (FolderExists(movie)) {
            build.Note(log, "The Flash file \"" + shown + "\" is a folder; it is left out.");
        } else if (FileExists(movie)) {
            ++present;
            if (!HasFlashSignature(movie))
                build.Note(log, "The file \"" + shown + "\" is not a Flash movie.");
        }
        // Anything else (a pipe, a device) the archive manager reports when it cannot read it.
    }
    if (present == 0) return refuse(NoMovieLeftText);

    if (show_progress) {
        progress.ShowProgress(3);
        progress.AdvanceProgress(kTitle, "Compressing neccessary files");
    }

    std::vector<std::string> files = movies;
    files.push_back(ResolveAgainst(folder, scl.Icon));
    files.push_back(project);

    const std::string output =
        (output_folder.empty() ? folder : output_folder) + scl.ProjectName + ".scr";
    if (output_folder.empty()) build.SetOutput(output);

    // A failure from here on is this build's own: it is logged, the temporary files go, and
    // the result says so; the screensaver file is written only from a complete archive.
    std::string temp, package;
    std::exception_ptr failure;
    try {
        build.CheckCancelled();
        {
            TFilePacker packer(&build);
            packer.component->manager->threads = build.Threads();
            temp = CreateTempArchive(packer, base, "_saver.tmp");
            packer.AddFiles(files);
            if (MoviesPacked(packer, movies) == 0) throw std::runtime_error(NoMovieLeftText);
            package = CopyArchiveToNewFile(packer, folder, base, ".pak");
        }
        build.CheckCancelled();
    } catch (...) {
        failure = std::current_exception();
    }

    if (!failure) {
        if (show_progress) progress.AdvanceProgress(kTitle, "Merging screensaver file");
        try {
            TFilePackerExt joiner;
            joiner.Merge(stub, package, output);
        } catch (...) {
            failure = std::current_exception();
        }
    }
    if (failure) {
        const std::string reason = MessageOf(failure);
        build.Log(log, reason);
        build.Fail(reason);
    }

    if (show_progress) {
        if (!failure)
            progress.AdvanceProgress(kTitle, "Deleting useless resources");
        else
            progress.SetProgressText(kTitle, "Deleting useless resources");
    }
    build.DeleteTemporary(package);
    build.DeleteTemporary(temp);

    if (show_progress) {
        if (failure) {
            progress.MarkFailed();
            // Where the log could not take the reason, the display shows the reason itself.
            progress.SetProgressText("Generate Screensaver Failed",
                                     build.LogError().empty() ? "Please check log file " + log
                                                              : build.Reason());
            progress.FinishProgress();
        } else {
            progress.SetProgressText("Generate Screensaver Successfully",
                                     "Generated file locates on " + folder);
        }
    }
    return failure ? 1 : 0;
}
