#include "BuildJob.h"

#include "BuildContext.h"
#include "BuildSteps.h"
#include "FileLock.h"
#include "FilePaths.h"
#include "GenInstaller.h"
#include "GenScreensaver.h"
#include "Utils.h"

#include <chrono>
#include <exception>
#include <thread>
#include <utility>

namespace {

const char* const kProjectBusyText =
    "Another build of this project is running. Please wait until it has finished.";

} // namespace

TBuildJob::TBuildJob(TBuildParameters parameters, IBuildObserver& observer)
    : parameters(std::move(parameters)), observer(observer) {}

TBuildResult TBuildJob::Run() {
    TBuildResult result;
    TBuildContext build(parameters, observer, cancel_requested);
    const std::string project = AbsoluteProjectPath(parameters.project_file);
    const std::string folder = ExtractFilePath(project);
    result.log_file = folder + NameWithoutExtension(project) + ".log";
    int code = 1;
    try {
        // Two builds of one project would write the same intermediate and output files; the
        // second waits for the first or steps back before it has touched anything.
        TFileLock lock(project);
        if (lock.Opened() && !lock.TryLock()) {
            if (!parameters.wait_for_project) {
                build.Warn(kProjectBusyText);
                build.Fail(kProjectBusyText);
                throw EBuildCancelled();
            }
            observer.WaitingForProject(project);
            while (!lock.TryLock()) {
                build.CheckCancelled();
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        }
        if (parameters.kind == TBuildKind::Installer)
            code = GenerateInstaller(build, project);
        else
            code = GenerateScreensaver(build, project, parameters.show_progress);
    } catch (const EBuildCancelled&) {
        code = 1;
    } catch (...) {
        // Only the screensaver generator lets an error through: a project file that cannot be
        // read. It is this build's failure like any other.
        result.error = MessageOf(std::current_exception());
        build.Fail(result.error);
        code = 1;
    }
    if (code == 0)
        result.outcome = TBuildOutcome::Succeeded;
    else
        result.outcome = cancel_requested ? TBuildOutcome::Cancelled : TBuildOutcome::Failed;
    if (!result.Succeeded())
        result.reason = build.Reason().empty() ? "The build failed." : build.Reason();
    result.output = build.Output();
    result.log_error = build.LogError();
    result.warnings = build.Warnings();
    result.undeleted = build.Undeleted();
    observer.Finished(result);
    return result;
}
