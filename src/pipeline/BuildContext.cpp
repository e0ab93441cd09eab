#include "BuildContext.h"

#include "BuildSteps.h"
#include "Utils.h"

#include <algorithm>
#include <exception>

TBuildContext::TBuildContext(const TBuildParameters& parameters, IBuildObserver& observer,
                             const std::atomic<bool>& cancel_requested)
    : parameters(parameters), observer(observer), cancel_requested(cancel_requested),
      progress(observer, parameters.step_pause_ms) {}

void TBuildContext::Log(const std::string& log_file, const std::string& message) {
    observer.LogLine(log_file, message);
    try {
        AppendLog(log_file, message);
    } catch (const std::exception& error) {
        // The log is a record, not the build: whoever watches hears the line anyway, and the
        // first error is kept so the result can say why the file lacks it.
        if (log_error.empty()) {
            log_error = error.what();
            observer.LogFailed(log_file, log_error);
        }
    }
}

void TBuildContext::Warn(const std::string& text) {
    observer.Warning(text);
}

void TBuildContext::Note(const std::string& log_file, const std::string& text) {
    warnings.push_back(text);
    Log(log_file, text);
}

void TBuildContext::Fail(const std::string& why) {
    if (reason.empty()) reason = why;
}

void TBuildContext::DeleteTemporary(const std::string& path) {
    if (path.empty() || DeleteFileIfPresent(path)) return;
    if (std::find(undeleted.begin(), undeleted.end(), path) != undeleted.end()) return;
    undeleted.push_back(path);
    observer.TemporaryLeft(path);
}

void TBuildContext::CheckCancelled() const {
    if (cancel_requested) throw EBuildCancelled();
}

void TBuildContext::EntrySkipped(const TArchiveDiagnostic& diagnostic) {
    observer.EntrySkipped(diagnostic);
}

void TBuildContext::BlockDone(const std::string&, int64_t, int64_t) {
    CheckCancelled();
}
