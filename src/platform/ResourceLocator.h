#pragma once
// The one place that knows where the program's files live.
//
// Two layouts exist. In the flat one every file sits in one folder with the programs: a
// checkout's build/bin, or a copy of it anywhere. In the installed one the programs sit in
// <prefix>/bin, what they load at run time (the runtime stubs) in <prefix>/lib/glimmerdrome,
// and their data (the default project icon, the user guide, the example project) in
// <prefix>/share/glimmerdrome. The layout is told apart by what lies beside
// the executable, never by a fixed prefix, so an installed tree unpacked into any folder works
// as it is.

#include <string>

#include "BuildIdentity.h"

class TResourceLocator {
public:
    enum class TLayout { Flat, Installed };

    // The flat layout in one folder: a build tree's bin/, or a test's stand-in program folder.
    explicit TResourceLocator(const std::string& program_folder);

    // The installed layout under prefix.
    static TResourceLocator Installed(const std::string& prefix);
    // The layout around executables in executable_folder: installed when
    // <executable_folder>/../lib/glimmerdrome is a folder, flat otherwise.
    static TResourceLocator Around(const std::string& executable_folder);
    // The layout of the running program.
    static TResourceLocator ForRunningProgram();
    // The folder of the running executable (from /proc/self/exe), without a trailing
    // separator; "" when the system does not say.
    static std::string ExecutableFolder();

    TLayout Layout() const { return layout; }
    // The programs: glimmerdrome, gldbuild, gldpack.
    const std::string& ProgramFolder() const { return programs; }
    // What the programs load at run time: the stubs.
    const std::string& RuntimeFolder() const { return runtime; }
    // Read-only data: the default project icon, the user guide, the example project.
    const std::string& DataFolder() const { return data; }

    std::string SaverStub() const;
    std::string InstallerStub() const;
    std::string DefaultProjectIcon() const;
    // The program's own icon as a PNG: drawn into a flat folder, taken from the icon theme of
    // an installed tree.
    std::string ProgramIcon() const;
    std::string HelpFile() const;
    // The folder beside the programs whose configuration.ini may hold the settings; "" for an
    // installed tree, whose settings always live in the user's configuration folder: a
    // system folder that happens to be writable (to root) is no place for one user's list.
    std::string SettingsFolder() const;

private:
    TResourceLocator() = default;

    TLayout layout = TLayout::Flat;
    std::string programs;
    std::string runtime;
    std::string data;
    std::string icons; // the hicolor theme of an installed tree
};

// File names inside the folders above.
inline constexpr const char* SaverStubName = "saver.dll";
inline constexpr const char* InstallerStubName = "inst.dll";
inline constexpr const char* DefaultProjectIconName = "defaultProjectIcon.ico";
inline constexpr const char* HelpFileName = "gldhelp.html";
inline constexpr const char* ProgramIconName = "glimmerdrome.png";

// The size of the program icon the theme's folder holds and the flat folder's PNG has.
inline constexpr int ProgramIconSize = 256;
