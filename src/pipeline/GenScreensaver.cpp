#include "GenScreensaver.h"

#include "BuildSteps.h"
#include "FilePacker.h"
#include "FilePaths.h"
#include "Progress.h"
#include "ResourceLocator.h"
#include "Utils.h"
#include "cFilePacker.h"
#include "cScl.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <vector>

namespace {

const char* const kTitle = "Generating Screensaver...";

// Releases the project document on every way out.
struct TDocumentGuard {
    TSCL& scl;
    ~TDocumentGuard() { scl.Release(); }
};

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

int GenerateScreensaver(const std::string& project_file, bool show_progress,
                        const TResourceLocator& resources) {
    const std::string project = AbsoluteProjectPath(project_file);
    TSCL scl;
    scl.Load(project);
    TDocumentGuard release{scl};

    const std::string folder = ExtractFilePath(project);
    const std::string base = NameWithoutExtension(project);
    const std::string log = folder + base + ".log";

    auto refuse = [&](const std::string& text) {
        Warn(text);
        AppendLog(log, text);
        return 1;
    };
    if (scl.Files.empty()) return refuse(NoFlashFileText);
    if (const std::string fault = ProjectNameFault(scl.ProjectName); !fault.empty())
        return refuse(fault);
    const std::string stub = resources.SaverStub();
    if (!FileExists(stub))
        return refuse("saver.dll is missed! Please reinstall it to fix the problem.");

    if (show_progress) {
        ShowProgress(3);
        AdvanceProgress(kTitle, "Compressing neccessary files");
    }

    std::vector<std::string> files;
    for (const std::string& file : scl.Files)
        files.push_back(ResolveAgainst(folder, file));
    files.push_back(ResolveAgainst(folder, scl.Icon));
    files.push_back(project);

    const std::string package = folder + base + ".pak";
    const std::string output = folder + scl.ProjectName + ".scr";
    const std::string temp = FreshTempArchivePath(base, "_saver.tmp");
    DeleteOrRemember(package);

    // A failure from here on is this build's own: it is logged, the temporary files go, and
    // the result says so; the screensaver file is written only from a complete archive.
    std::exception_ptr failure;
    try {
        {
            TFilePacker packer;
            packer.Open(temp);
            packer.AddFiles(files);
        }
        CopyArchiveToPackage(temp, package);
    } catch (...) {
        failure = std::current_exception();
    }

    if (!failure) {
        if (show_progress) AdvanceProgress(kTitle, "Merging screensaver file");
        try {
            TFilePackerExt joiner;
            joiner.Merge(stub, package, output);
        } catch (...) {
            failure = std::current_exception();
        }
    }
    if (failure) AppendLog(log, MessageOf(failure));

    if (show_progress) {
        if (!failure)
            AdvanceProgress(kTitle, "Deleting useless resources");
        else
            SetProgressText(kTitle, "Deleting useless resources");
    }
    DeleteOrRemember(package);
    DeleteOrRemember(temp);

    if (show_progress) {
        if (failure) {
            SetProgressText("Generate Screensaver Failed", "Please check log file " + log);
            FinishProgress();
        } else {
            SetProgressText("Generate Screensaver Successfully",
                            "Generated file locates on " + folder);
        }
    }
    return failure ? 1 : 0;
}
