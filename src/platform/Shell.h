#pragma once
// The shell services behind one installable layer: a file's type name and display name,
// opening a document or address with the desktop's default handler, starting a script
// detached, and the description a built screensaver file carries.
//
// The default layer is headless: type names come from a small table of extensions, display
// names are the file name without folder. The user interface installs a richer one.

#include <functional>
#include <optional>
#include <string>
#include <vector>

class IShell {
public:
    virtual ~IShell() = default;
    // The type description of a file, at most 79 characters ("Flash Movie" for ".swf").
    virtual std::string TypeName(const std::string& path) = 0;
    // The name the desktop shows for a file.
    virtual std::string DisplayName(const std::string& path) = 0;
    // Opens a file, folder or web address with its default handler, detached; never waits
    // for it. True when the handler could be started.
    virtual bool Open(const std::string& target) = 0;
    // Runs a POSIX shell script detached from the program and without a window; it goes on
    // after the program ends. True when it could be started.
    virtual bool StartDetachedScript(const std::string& path) = 0;
    // Starts a program itself (argv[0] a path), detached from this one; never waits for it.
    // "" when it started, otherwise why it could not (the system's reason).
    virtual std::string StartProgram(const std::vector<std::string>& argv) = 0;
};

// The layer every later call goes through; nullptr restores the headless default.
void InstallShell(IShell* shell);
IShell& CurrentShell();

// The headless layer, for shells that only want to override part of it.
class THeadlessShell : public IShell {
public:
    std::string TypeName(const std::string& path) override;
    std::string DisplayName(const std::string& path) override;
    bool Open(const std::string& target) override;
    bool StartDetachedScript(const std::string& path) override;
    std::string StartProgram(const std::vector<std::string>& argv) override;
};

std::string ShellTypeName(const std::string& path);
std::string ShellDisplayName(const std::string& path);
bool ShellOpen(const std::string& target);
bool StartDetachedScript(const std::string& path);
std::string StartProgram(const std::vector<std::string>& argv);

// Runs a helper program with no terminal and the standard streams on /dev/null and waits for
// it; true when it ran and exited with status 0.
bool RunQuietlyAndWait(const std::vector<std::string>& args);

// The description stored inside a built screensaver file (its project name), or nothing when
// the file carries none. The build pipeline supplies the reader; until then nothing is known.
using TScreensaverDescriber = std::function<std::optional<std::string>(const std::string&)>;
void InstallScreensaverDescriber(TScreensaverDescriber describer);
std::optional<std::string> ScreensaverDescription(const std::string& path);
