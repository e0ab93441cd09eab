#include "Utils.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <iomanip>
#include <locale>
#include <pwd.h>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "FileErrors.h"
#include "FileWriter.h"

namespace {

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Cuts s to at most max_bytes without splitting a UTF-8 sequence.
std::string CutUtf8(std::string s, size_t max_bytes) {
    if (s.size() <= max_bytes) return s;
    size_t cut = max_bytes;
    while (cut > 0 && IsContinuationByte(s[cut]))
        --cut;
    s.resize(cut);
    return s;
}

bool WriteAll(int fd, const std::string& data) {
    return WriteFully(fd, data);
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

} // namespace

std::string RightChars(const std::string& s, int n) {
    if (n <= 0) return "";
    size_t start = s.size();
    int taken = 0;
    while (start > 0 && taken < n) {
        --start;
        while (start > 0 && IsContinuationByte(s[start]))
            --start;
        ++taken;
    }
    return s.substr(start);
}

std::string SizeToKBText(int32_t bytes) {
    int32_t kb = bytes / 1024;
    if (kb < 0) kb = 0;
    std::string digits = std::to_string(kb);
    const auto& punct = std::use_facet<std::numpunct<char>>(std::locale());
    // The classic locale groups nothing; the pattern always groups by thousands, so a locale
    // without grouping falls back to the comma.
    char separator = punct.grouping().empty() ? ',' : punct.thousands_sep();
    std::string text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += separator;
        text += digits[i];
    }
    return text + "KB";
}

int RandomBelow(int n) {
    if (n < 1) return 0;
    // Seeded once per thread from the system's entropy: seeding from the clock at every call
    // would hand out the same number to calls within one clock tick.
    thread_local std::mt19937 generator{std::random_device{}()};
    return std::uniform_int_distribution<int>(0, n - 1)(generator);
}

std::string FileDisplayName(const std::string& path) {
    if (FileExists(path)) {
        if (ExtractFileExt(path) == ".scr") {
            std::optional<std::string> description = ScreensaverDescription(path);
            if (description && !description->empty())
                return CutUtf8(*description, 255); // the description buffer holds 256 characters
            return ShellDisplayName(path);
        }
        return ExtractFileName(path);
    }
    if (FolderExists(path)) return path;
    return "NOT FOUND!";
}

int32_t FileSizeOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    if (st.st_size > INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(st.st_size);
}

std::time_t FileDateOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return static_cast<std::time_t>(-1);
    return st.st_mtime;
}

std::string DateTimeToText(std::time_t when) {
    std::tm local{};
    ::localtime_r(&when, &local);
    std::ostringstream out;
    std::locale global;
    out.imbue(global);
    if (global == std::locale::classic())
        out << std::put_time(&local, "%Y-%m-%d %H:%M:%S");
    else
        out << std::put_time(&local, "%x %X");
    return out.str();
}

std::string NameWithoutExtension(const std::string& path) {
    return ChangeFileExt(ExtractFileName(path), "");
}

std::string LogonUserName() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buffer(size > 0 ? static_cast<size_t>(size) : 16384, '\0');
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_name)
        return "";
    return CutUtf8(found->pw_name, 260);
}

void AppendLog(const std::string& log_path, const std::string& message) {
    int fd = ::open(log_path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) throw EFCreateError(FileCreateErrorMessage(log_path, errno));
    // One write per entry, so that entries from two processes never interleave.
    std::string entry = DateTimeToText(std::time(nullptr)) + ":" + message + "\r\n\r\n";
    bool ok = WriteAll(fd, entry);
    if (::close(fd) != 0) ok = false;
    if (!ok) throw EInOutError("Unable to write to " + log_path);
}

void BackupFile(const std::string& path, const std::string& backup_name) {
    if (!FileExists(path)) return;
    std::string name = backup_name.empty() ? NameWithoutExtension(path) + ".bak" : backup_name;
    std::string target = ExtractFilePath(path) + name;
    // "x.bak" backed up under its own name would be truncated before it was read.
    if (SameFile(path, target)) return;

    int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return;
    struct stat original {};
    if (::fstat(in, &original) != 0) {
        ::close(in);
        return;
    }
    std::string content;
    char buffer[65536];
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        content.append(buffer, static_cast<size_t>(n));
    }
    ::close(in);
    if (!ok) return;
    // Written beside the target and renamed over it, so a failed copy never destroys the
    // previous backup.
    std::string temp;
    // The copy is as private as the project: a project only its owner may read must not
    // leave a backup that everyone may read.
    int out = CreateFileBeside(target, temp, 0600);
    if (out < 0) return;
    ok = ::fchmod(out, original.st_mode & 07777) == 0 && WriteAll(out, content);
    if (::close(out) != 0) ok = false;
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) ::unlink(temp.c_str());
}

bool Confirm(const std::string& text) {
    return ShowMessage(text, "Confirm", TMsgIcon::Question, TMsgButtons::YesNo) == TMsgAnswer::Yes;
}

TMsgAnswer ConfirmOrCancel(const std::string& text) {
    return ShowMessage(text, "Confirm", TMsgIcon::Question, TMsgButtons::YesNoCancel);
}

void Warn(const std::string& text) {
    ShowMessage(text, "Warning", TMsgIcon::Warning, TMsgButtons::Ok);
}

void Inform(const std::string& text) {
    ShowMessage(text, "Information", TMsgIcon::Information, TMsgButtons::Ok);
}
