#pragma once
// A second local user for tests of what another user of the machine can do to our files:
// uid and gid 65534 (nobody). Tests run as root here; where they do not (or setpriv is
// missing), Available() says so and the test skips.

#include <string>
#include <sys/types.h>
#include <vector>

namespace SecondUser {

inline constexpr uid_t Uid = 65534;
inline constexpr gid_t Gid = 65534;

// Whether commands can be run as the second user; why not otherwise.
bool Available(std::string* why = nullptr);

// Runs a program as the second user (setpriv --reuid=65534 --regid=65534 --clear-groups),
// with the standard streams of the test, and waits for it. The exit status, or -1 when it
// could not be run.
int Run(const std::vector<std::string>& args);
// The same for a /bin/sh command line.
int RunShell(const std::string& command);

} // namespace SecondUser

// A private stand-in for /tmp: a fresh folder under the system's temporary folder (ours, 0755)
// holding "tmp" with /tmp's own mode (world-writable and sticky). The second user can plant
// files and links in Path() as it could in /tmp, yet nothing outside the stand-in is touched.
// Removed with everything in it at the end.
class TSharedTempFolder {
public:
    TSharedTempFolder();
    ~TSharedTempFolder();
    TSharedTempFolder(const TSharedTempFolder&) = delete;
    TSharedTempFolder& operator=(const TSharedTempFolder&) = delete;

    // The stand-in for /tmp, without a trailing separator.
    const std::string& Path() const { return path; }
    std::string operator/(const std::string& name) const { return path + "/" + name; }

private:
    std::string root;
    std::string path;
};

// For the length of a scope, files are opened with the second user's rights (effective uid and
// gid), so a test can meet a file it may write but not read, as an ordinary user would. When
// the process is not root it already is an ordinary user and nothing changes.
class TActAsSecondUser {
public:
    TActAsSecondUser();
    ~TActAsSecondUser();
    TActAsSecondUser(const TActAsSecondUser&) = delete;
    TActAsSecondUser& operator=(const TActAsSecondUser&) = delete;

private:
    bool switched = false;
    std::vector<gid_t> groups;
};
