#include "SecondUser.h"

#include <cstdlib>
#include <filesystem>
#include <grp.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace SecondUser {

bool Available(std::string* why) {
    std::string reason;
    if (::geteuid() != 0)
        reason = "the tests do not run as root, so they cannot act as a second user";
    else if (::access("/usr/bin/setpriv", X_OK) != 0)
        reason = "setpriv (util-linux) is not installed";
    if (why) *why = reason;
    return reason.empty();
}

int Run(const std::vector<std::string>& args) {
    std::vector<std::string> command = {"/usr/bin/setpriv", "--reuid=" + std::to_string(Uid),
                                        "--regid=" + std::to_string(Gid), "--clear-groups"};
    command.insert(command.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : command)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunShell(const std::string& command) {
    return Run({"/bin/sh", "-c", command});
}

} // namespace SecondUser

TSharedTempFolder::TSharedTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "gldshared-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make " + pattern);
    root = pattern;
    path = root + "/tmp";
    // The second user must reach the stand-in, and the stand-in must be like /tmp.
    ::chmod(root.c_str(), 0755);
    if (::mkdir(path.c_str(), 0700) != 0 || ::chmod(path.c_str(), 01777) != 0)
        throw std::runtime_error("cannot make " + path);
}

TSharedTempFolder::~TSharedTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

TActAsSecondUser::TActAsSecondUser() {
    if (::geteuid() != 0) return;
    int count = ::getgroups(0, nullptr);
    groups.resize(count > 0 ? static_cast<size_t>(count) : 0);
    if (count > 0) ::getgroups(count, groups.data());
    if (::setgroups(0, nullptr) != 0 || ::setegid(SecondUser::Gid) != 0 ||
        ::seteuid(SecondUser::Uid) != 0)
        throw std::runtime_error("cannot act as the second user");
    switched = true;
}

TActAsSecondUser::~TActAsSecondUser() {
    if (!switched) return;
    // Without the old rights back the rest of the test program would run crippled.
    if (::seteuid(0) != 0 || ::setegid(0) != 0 ||
        ::setgroups(groups.size(), groups.empty() ? nullptr : groups.data()) != 0)
        std::abort();
}
