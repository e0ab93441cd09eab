#pragma once
// The description a built screensaver file carries: the project name stored in the project
// file packed inside it. File lists show it in place of the file name.

#include <optional>
#include <string>

// The project name inside the screensaver file at path, or nothing when the file is not a
// screensaver built by this program (or is damaged).
std::optional<std::string> DescribeScreensaver(const std::string& path);

// Makes ScreensaverDescription (Shell.h) answer with DescribeScreensaver. The program calls it
// once at start-up.
void InstallBuiltScreensaverDescriber();
