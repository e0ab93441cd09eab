#pragma once
// Building the installer: "inst.dll" followed by an archive of the screensaver file, the
// project file, the icon, the readme and the licence, written beside the project as
// "setup.exe". The screensaver file made on the way is deleted again, unless the author kept
// one of that name beside the project: that one is then replaced by the fresh one after a
// success and left as it was after a failure.

#include <string>

class TBuildContext;

// Builds "setup.exe" for the saved project file, always with the progress display (four
// steps). Returns 0 when "setup.exe" was written, 1 when the build failed; the progress display
// then shows the failure and the log file beside the project names the reason. No error
// reaches the caller.
int GenerateInstaller(TBuildContext& build, const std::string& project_file);
