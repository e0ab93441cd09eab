#include "Shell.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "FilePaths.h"

extern char** environ;

namespace {

THeadlessShell headless_shell;
IShell* current_shell = nullptr;
TScreensaverDescriber describer;
std::mutex describer_mutex;

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Starts argv in its own session with no terminal and the standard streams on /dev/null, and
// does not wait for it: a short-lived middle process starts it and exits at once, so the
// program never leaves a zombie behind. True when the command could be started.
// The argument vector and the standard streams on /dev/null, prepared in full before any fork:
// other threads may hold the allocator's lock at that moment.
struct TQuietCommand {
    explicit TQuietCommand(const std::vector<std::string>& args) {
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    ~TQuietCommand() { posix_spawn_file_actions_destroy(&actions); }
    TQuietCommand(const TQuietCommand&) = delete;
    TQuietCommand& operator=(const TQuietCommand&) = delete;

    int Spawn(pid_t& pid) {
        return ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    }

    std::vector<char*> argv;
    posix_spawn_file_actions_t actions;
};

// 0 when the command started, else the system's error number (the middle process hands it
// back as its exit status).
int SpawnDetachedError(const std::vector<std::string>& args) {
    TQuietCommand command(args);
    pid_t middle = ::fork();
    if (middle < 0) return errno;
    if (middle == 0) {
        ::setsid();
        pid_t child;
        const int error = command.Spawn(child);
        ::_exit(error > 0 && error < 256 ? error : (error == 0 ? 0 : ENOEXEC));
    }
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0) {
        if (errno != EINTR) return errno;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : ECHILD;
}

bool SpawnDetached(const std::vector<std::string>& args) {
    return SpawnDetachedError(args) == 0;
}

} // namespace

bool RunQuietlyAndWait(const std::vector<std::string>& args) {
    TQuietCommand command(args);
    pid_t pid;
    if (command.Spawn(pid) != 0) return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void InstallShell(IShell* shell) {
    current_shell = shell;
}

IShell& CurrentShell() {
    return current_shell ? *current_shell : headless_shell;
}

std::string THeadlessShell::TypeName(const std::string& path) {
    static const struct {
        const char* extension;
        const char* name;
    } known[] = {
        {".swf", "Flash Movie"},
        {".gldp", "Glimmerdrome Project"},
        {".scr", "Screen Saver"},
        {".ico", "Icon"},
        {".gif", "GIF Image"},
        {".png", "PNG Image"},
        {".jpg", "JPEG Image"},
        {".jpeg", "JPEG Image"},
        {".bmp", "Bitmap Image"},
        {".txt", "Text Document"},
        {".log", "Text Document"},
        {".rtf", "Rich Text Document"},
        {".exe", "Application"},
        {".dll", "Application Extension"},
        {".ini", "Configuration Settings"},
        {".pak", "Glimmerdrome Package"},
        {".html", "HTML Document"},
        {".htm", "HTML Document"},
        {".chm", "Compiled HTML Help File"},
        {".bat", "Windows Batch File"},
        {".sh", "Shell Script"},
        {".zip", "ZIP Archive"},
    };
    std::string ext = Lower(ExtractFileExt(path));
    if (FolderExists(path)) return "File Folder";
    for (const auto& k : known)
        if (ext == k.extension) return k.name;
    if (ext.size() <= 1) return "File";
    std::string upper = ext.substr(1);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string name = upper + " File";
    // Type names are at most 79 characters wherever they come from.
    if (name.size() > 79) name.resize(79);
    return name;
}

std::string THeadlessShell::DisplayName(const std::string& path) {
    std::string name = ExtractFileName(ExcludeTrailingPathDelimiter(path));
    return name.empty() ? path : name;
}

bool THeadlessShell::Open(const std::string& target) {
    if (target.empty()) return false;
    return SpawnDetached({"xdg-open", target});
}

bool THeadlessShell::StartDetachedScript(const std::string& path) {
    if (!FileExists(path)) return false;
    return SpawnDetached({"/bin/sh", path});
}

std::string THeadlessShell::StartProgram(const std::vector<std::string>& argv) {
    if (argv.empty() || argv[0].empty()) return std::strerror(ENOENT);
    // posix_spawnp runs a name with a "/" as the path it is, never one found on PATH.
    const int error = SpawnDetachedError(argv);
    return error == 0 ? std::string() : std::string(std::strerror(error));
}

std::string StartProgram(const std::vector<std::string>& argv) {
    return CurrentShell().StartProgram(argv);
}

std::string ShellTypeName(const std::string& path) {
    std::string name = CurrentShell().TypeName(path);
    if (name.size() > 79) name.resize(79);
    return name;
}

std::string ShellDisplayName(const std::string& path) {
    return CurrentShell().DisplayName(path);
}

bool ShellOpen(const std::string& target) {
    return CurrentShell().Open(target);
}

bool StartDetachedScript(const std::string& path) {
    return CurrentShell().StartDetachedScript(path);
}

void InstallScreensaverDescriber(TScreensaverDescriber d) {
    std::lock_guard<std::mutex> lock(describer_mutex);
    describer = std::move(d);
}

std::optional<std::string> ScreensaverDescription(const std::string& path) {
    TScreensaverDescriber d;
    {
        std::lock_guard<std::mutex> lock(describer_mutex);
        d = describer;
    }
    if (!d) return std::nullopt;
    return d(path);
}
