#pragma once
// What a build tells the one watching it. The build job calls these on the thread it runs on;
// the program's window hands them to its own thread, gldbuild prints them, tests record them.

#include "ArchiveManagerUnit.h"

#include <string>
#include <vector>

// The progress display as the author sees it: a bold title, a description, the bar and the
// button under it.
struct TProgressState {
    bool shown = false;
    int steps = 0;
    int steps_done = 0;
    int position = 0;
    bool succeed_visible = false;
    // The build failed: the button then offers to close, not success.
    bool failed = false;
    std::string title;
    std::string description;
};

enum class TBuildOutcome { Succeeded, Failed, Cancelled };

struct TBuildResult {
    TBuildOutcome outcome = TBuildOutcome::Failed;
    // The file the build was asked for: setup.exe, or the screensaver file.
    std::string output;
    // The project's log file, where failures and warnings are written.
    std::string log_file;
    // Why the build failed, in the words written to the log; "" after a success.
    std::string reason;
    // An error no generator caught (a project file that cannot be read): it ended the build
    // before any display showed it, so the program shows it in its general error box.
    std::string error;
    // The first error met while appending to the log file; "" when every line was written.
    std::string log_error;
    // Flash files left out because they are missing, and files that are no Flash movie.
    std::vector<std::string> warnings;
    // Temporary files the build could not delete.
    std::vector<std::string> undeleted;

    bool Succeeded() const { return outcome == TBuildOutcome::Succeeded; }
};

class IBuildObserver {
public:
    virtual ~IBuildObserver() = default;
    // A new progress display opens with this state (no texts, the bar at 0).
    virtual void ProgressShown(const TProgressState& state) { (void)state; }
    // Its texts, bar or button changed: once per step, once per change of texts.
    virtual void ProgressChanged(const TProgressState& state) { (void)state; }
    // A warning the author has to acknowledge (the program shows it in a box).
    virtual void Warning(const std::string& text) { (void)text; }
    // A line appended to the project's log file.
    virtual void LogLine(const std::string& log_file, const std::string& message) {
        (void)log_file, (void)message;
    }
    // A line could not be appended to the log file; the build goes on all the same.
    virtual void LogFailed(const std::string& log_file, const std::string& error) {
        (void)log_file, (void)error;
    }
    // An entry of a packing list the archive manager left out, in the words of its box.
    virtual void EntrySkipped(const TArchiveDiagnostic& diagnostic) { (void)diagnostic; }
    // A temporary file the build could not delete (usually one still held open).
    virtual void TemporaryLeft(const std::string& path) { (void)path; }
    // Another build holds the project; this one waits for it.
    virtual void WaitingForProject(const std::string& project_file) { (void)project_file; }
    // The build has ended; nothing is reported after this.
    virtual void Finished(const TBuildResult& result) { (void)result; }
};
