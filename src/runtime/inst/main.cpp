// The installer runtime "inst.dll": run by an end user as setup.exe, it checks its package,
// then installs the screensaver it carries (after one question, or step by step, as the author
// chose), and removes it again with --uninstall. The same program without a package behind it
// is the uninstaller an installation leaves in its folder.

#include "BuildIdentity.h"
#include "InstallerRun.h"
#include "ProgramLog.h"
#include "RuntimeCommandLine.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    InstallProgramLog();
    TRuntimeIdentity identity;
    identity.program = ProgramName(argc, argv, "inst.dll");
    identity.noun = "installer";
    identity.version = BuildVersion;
    identity.usage = InstallerUsage();
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);

    const TCommonRequest common = ParseCommonOptions(args);
    if (common.command != TCommonCommand::None)
        return RunCommonCommand(common, identity, InstallerHooks(), stdout, stderr);

    TInstallerOptions options;
    std::string error;
    if (!ParseInstallerOptions(args, options, error)) {
        std::fprintf(stderr, "%s: %s\n%s", identity.program.c_str(), error.c_str(),
                     RuntimeUsage(identity).c_str());
        return 2;
    }
    return RunInstaller(options, identity, argc, argv);
}
