#pragma once
// What the generators of one build share: the parameters, the progress display, the observer
// and the cancel flag. Everything a generator has to tell goes through here, so a failing log,
// a file that will not go away or a cancel never escape as a surprise.

#include "ArchiveManagerUnit.h"
#include "BuildJob.h"
#include "Progress.h"

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

// Raised at the next check after a cancel was asked for.
class EBuildCancelled : public std::runtime_error {
public:
    EBuildCancelled() : std::runtime_error(BuildCancelledText) {}
};

class TBuildContext : public IArchiveObserver {
public:
    TBuildContext(const TBuildParameters& parameters, IBuildObserver& observer,
                  const std::atomic<bool>& cancel_requested);

    const TResourceLocator& Resources() const { return parameters.resources; }
    int Threads() const { return parameters.threads; }
    TProgress& Progress() { return progress; }
    IBuildObserver& Observer() { return observer; }

    // Appends a line to the log file and reports it. A log that cannot be written is reported
    // once and never stops the build.
    void Log(const std::string& log_file, const std::string& message);
    // A warning the author has to acknowledge.
    void Warn(const std::string& text);
    // A warning for the build's report: logged, and kept for the result.
    void Note(const std::string& log_file, const std::string& text);
    // Remembers why the build failed (the first reason counts).
    void Fail(const std::string& reason);
    // The file the build was asked for.
    void SetOutput(const std::string& path) { output = path; }
    const std::string& Output() const { return output; }

    // Deletes a file the build made; one that stays is reported for a later clean-up.
    void DeleteTemporary(const std::string& path);

    // Raises EBuildCancelled when a cancel was asked for.
    void CheckCancelled() const;
    bool CancelRequested() const { return cancel_requested; }

    // What the result reports besides the outcome.
    const std::string& Reason() const { return reason; }
    const std::string& LogError() const { return log_error; }
    const std::vector<std::string>& Warnings() const { return warnings; }
    const std::vector<std::string>& Undeleted() const { return undeleted; }

    // The archive manager's reports while packing: skipped entries go to the observer, and
    // each finished block is a point where a cancel takes effect.
    void EntrySkipped(const TArchiveDiagnostic& diagnostic) override;
    void BlockDone(const std::string& entry, int64_t done, int64_t size) override;

private:
    const TBuildParameters& parameters;
    IBuildObserver& observer;
    const std::atomic<bool>& cancel_requested;
    TProgress progress;
    std::string reason;
    std::string output;
    std::string log_error;
    std::vector<std::string> warnings;
    std::vector<std::string> undeleted;
};
