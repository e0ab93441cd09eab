#pragma once
// Building the screensaver file: "saver.dll" followed by an archive of the project's movies,
// its icon and the project file, written beside the project as <ProjectName>.scr.

#include <string>

class TBuildContext;

// Builds the screensaver of the saved project file into output_folder (the project's folder
// when empty; it ends with a separator). Returns 0 when the screensaver file was written, 1
// when the build failed: the reason is in the log file beside the project, in the build's
// result and, when progress is shown, in the progress display. Errors that the build cannot
// attribute (a project file that cannot be read) pass to the caller.
int GenerateScreensaver(TBuildContext& build, const std::string& project_file, bool show_progress,
                        const std::string& output_folder = "");

// The kind of a file from its extension: 1 ".scr", 2 ".swf", 3 picture, 4 sound, 5 a folder
// with none of these extensions, 0 anything else.
int GetFileKind(const std::string& file_name);

// Why a project name cannot name the screensaver file beside the project, or "" when it can.
// The name becomes a file name in the project's folder, so nothing in it may lead elsewhere.
std::string ProjectNameFault(const std::string& project_name);
