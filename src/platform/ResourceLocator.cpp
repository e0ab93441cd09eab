#include "ResourceLocator.h"

#include "FilePaths.h"

#include <climits>
#include <string>
#include <unistd.h>

namespace {

// Names the packaging gives the program's own folders below the prefix.
const char* const kRuntimeBelowPrefix = "lib/glimmerdrome";
const char* const kDataBelowPrefix = "share/glimmerdrome";

std::string Normalised(const std::string& folder) {
    return ExcludeTrailingPathDelimiter(folder);
}

// The parent of a folder given without a trailing separator ("/usr/bin" gives "/usr").
std::string ParentOf(const std::string& folder) {
    const std::string parent = ExtractFileDir(Normalised(folder));
    return parent.empty() ? std::string(".") : parent;
}

} // namespace

TResourceLocator::TResourceLocator(const std::string& program_folder)
    : programs(Normalised(program_folder)), runtime(programs), data(programs) {}

TResourceLocator TResourceLocator::Installed(const std::string& prefix) {
    TResourceLocator locator;
    const std::string root = Normalised(prefix);
    locator.layout = TLayout::Installed;
    locator.programs = JoinPath(root, "bin");
    locator.runtime = JoinPath(root, kRuntimeBelowPrefix);
    locator.data = JoinPath(root, kDataBelowPrefix);
    locator.icons = JoinPath(root, "share/icons/hicolor");
    return locator;
}

TResourceLocator TResourceLocator::Around(const std::string& executable_folder) {
    const std::string folder = Normalised(executable_folder);
    const std::string prefix = ParentOf(folder);
    if (!folder.empty() && FolderExists(JoinPath(prefix, kRuntimeBelowPrefix))) {
        TResourceLocator locator = Installed(prefix);
        // The programs are where they were found, whatever the folder's name.
        locator.programs = folder;
        return locator;
    }
    return TResourceLocator(folder);
}

TResourceLocator TResourceLocator::ForRunningProgram() {
    return Around(ExecutableFolder());
}

std::string TResourceLocator::ExecutableFolder() {
    char buffer[PATH_MAX + 1];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    if (n <= 0) return "";
    const std::string exe(buffer, static_cast<size_t>(n));
    const size_t slash = exe.rfind('/');
    if (slash == std::string::npos) return "";
    return slash == 0 ? "/" : exe.substr(0, slash);
}

std::string TResourceLocator::SaverStub() const {
    return JoinPath(runtime, SaverStubName);
}

std::string TResourceLocator::InstallerStub() const {
    return JoinPath(runtime, InstallerStubName);
}

std::string TResourceLocator::DefaultProjectIcon() const {
    return JoinPath(data, DefaultProjectIconName);
}

std::string TResourceLocator::ProgramIcon() const {
    if (layout == TLayout::Flat) return JoinPath(data, ProgramIconName);
    const std::string size = std::to_string(ProgramIconSize);
    return JoinPath(icons, size + "x" + size + "/apps/" + DesktopId + ".png");
}

std::string TResourceLocator::HelpFile() const {
    return JoinPath(data, HelpFileName);
}

std::string TResourceLocator::SettingsFolder() const {
    return layout == TLayout::Flat ? programs : std::string();
}
