// The installer runtime "inst.dll": for now it lists, extracts and tests the archive behind it
// (the screensaver, the project file, the icon and the texts).

#include "RuntimeCommandLine.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    TRuntimeIdentity identity;
    identity.program = ProgramName(argc, argv, "inst.dll");
    identity.noun = "installer";
    identity.version = GLD_VERSION;
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const TCommonRequest request = ParseCommonOptions(args);
    if (request.command == TCommonCommand::None) {
        std::fputs(RuntimeUsage(identity).c_str(), stderr);
        return 2;
    }
    return RunCommonCommand(request, identity, {}, stdout, stderr);
}
