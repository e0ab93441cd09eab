#pragma once
// The build and help commands of the main window: Compile, Run, Screensaver Generator, Topic
// and Homepage. They work on whatever implements IBuildHost, so they are tested with a fake
// host and no main window.

#include <string>

#include "BuildJob.h"
#include "ProgramIdentity.h"
#include "ResourceLocator.h"

class TConfig;

// What the commands need from the main window.
class IBuildHost {
public:
    virtual ~IBuildHost() = default;
    // Rows of the file list: the project's Flash files.
    virtual int FileRowCount() = 0;
    virtual bool Modified() = 0;
    // Path of the project file; empty while the project has never been saved.
    virtual std::string ProjectFile() = 0;
    // The Save command: saves a named project, runs Save As for an untitled one (which the
    // author may cancel, leaving ProjectFile empty).
    virtual void Save() = 0;
    // Disabled while a build runs, so that no second command can start.
    virtual void SetMainEnabled(bool enabled) = 0;
    virtual TConfig& Settings() = 0;
    // Where the runtime stubs and the user guide are.
    virtual const TResourceLocator& Resources() = 0;
    // Runs the build beside the window (its progress in the progress window, its boxes over
    // the window) and returns its result once it has ended.
    virtual TBuildResult RunBuild(const TBuildParameters& parameters) = 0;
    // Removes the progress window the last build left open.
    virtual void ReleaseProgress() = 0;
    // The author asked to close the window while the build ran: what would follow the build
    // (a question, starting the installer) is left out.
    virtual bool Closing() { return false; }
};

void CompileCommand(IBuildHost& host);
void RunCommand(IBuildHost& host);
void ScreensaverGeneratorCommand(IBuildHost& host);
// Opens the program's web site; where the desktop cannot, offers to copy the address.
void HomepageCommand();

// The program's web site and the hint of the Homepage command.
inline constexpr const char* HomepageAddress = ProgramWebSite;
inline constexpr const char* HomepageHint = ProgramWebSiteHint;

// The questions and warnings of the commands.
inline constexpr const char* NotSavedQuestion =
    "Current project is not saved yet, do you want to save it now?";
inline constexpr const char* TestInstallerQuestion = "Do you want to test the compiled installer?";
inline constexpr const char* SingleScreensaverQuestion =
    "Do you want to generate a single screensaver for this project?";
