#include "InstallerRun.h"

#include "InstallErrors.h"
#include "Installation.h"
#include "InstallerPackage.h"
#include "Messages.h"
#include "QtMessageBoxes.h"
#include "Requirements.h"
#include "RuntimeArchive.h"
#include "RuntimeReport.h"
#include "Utils.h"
#include "fInstaller.h"

#include <QApplication>
#include <QBuffer>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QLibraryInfo>
#include <QPixmap>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kTitle = "Installer";

bool FileExists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

TPackageFile MemoryFile(const std::string& name, std::string bytes) {
    TPackageFile file;
    file.name = name;
    file.size = static_cast<int64_t>(bytes.size());
    file.produce = [bytes = std::move(bytes)](const TPackageFile::TSink& sink) {
        sink(bytes.data(), bytes.size());
    };
    return file;
}

// Desktops read PNG icons everywhere; a Windows icon (or any picture Qt reads) becomes one,
// from its largest image. Anything else is installed as it came.
std::optional<TPackageFile> IconFile(const TInstallerPackage& package) {
    if (!package.Icon()) return std::nullopt;
    QByteArray bytes = QByteArray::fromStdString(*package.Icon());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QImage best;
    if (reader.canRead()) {
        do {
            const QImage image = reader.read();
            if (!image.isNull() &&
                qint64(image.width()) * image.height() > qint64(best.width()) * best.height())
                best = image;
        } while (reader.jumpToNextImage());
    }
    if (best.isNull()) return MemoryFile(package.IconName(), *package.Icon());
    QByteArray png;
    QBuffer out(&png);
    out.open(QIODevice::WriteOnly);
    best.save(&out, "PNG");
    return MemoryFile("icon.png", png.toStdString());
}

std::string ReadWholeFile(const std::string& path) {
    std::string text;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            text.append(buffer, n);
        std::fclose(file);
    }
    return text;
}

// The uninstaller an installation leaves in its folder is this program without a package. Run
// as it is (from the file manager, or as "uninstall" on a terminal), it removes the
// installation whose folder it lies in: the record naming that folder, the user's first.
std::string ManifestOfOwnFolder(const TInstallEnvironment& environment) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path own = fs::weakly_canonical(fs::path(RunningProgramPath()).parent_path(), error);
    if (error) return {};
    for (TInstallScope scope : {TInstallScope::User, TInstallScope::System}) {
        const fs::path records =
            fs::path(TInstallLocations(environment, scope).ManifestPath("x")).parent_path();
        for (fs::directory_iterator it(records, error), end; !error && it != end;
             it.increment(error)) {
            if (it->path().extension() != ".manifest") continue;
            try {
                const TInstallManifest manifest =
                    TInstallManifest::Parse(ReadWholeFile(it->path().string()));
                std::error_code ignored;
                if (fs::weakly_canonical(manifest.destination, ignored) == own)
                    return it->path().string();
            } catch (const std::exception&) {
                // Not a record of ours, or a damaged one: it names no folder.
            }
        }
        error.clear();
    }
    return {};
}

bool CarriesAPackage() {
    try {
        TRuntimeArchive::OpenSelf();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

struct TRun {
    const TInstallerOptions& options;
    const TRuntimeIdentity& identity;
    bool interactive() const { return !options.silent; }

    int Fail(const std::string& message) const {
        ReportRuntimeError(identity, kTitle, message, interactive());
        return 1;
    }
};

int Uninstall(const TRun& run, const TInstaller& installer) {
    std::string manifest_path = run.options.manifest;
    if (manifest_path.empty()) {
        std::unique_ptr<TRuntimeArchive> archive;
        std::string name;
        try {
            archive = TRuntimeArchive::OpenSelf();
            name = TInstallerPackage(*archive).ProjectName();
        } catch (const std::exception& e) {
            return run.Fail(std::string("This installer cannot tell what to remove: ") + e.what());
        }
        manifest_path = installer.Locations().ManifestPath(name);
        if (!FileExists(manifest_path)) {
            std::string message = DisplayNameOf(name) + " is not installed";
            if (run.options.system)
                message += " for every user.";
            else if (FileExists(TInstallLocations(installer.Locations().Environment(),
                                                  TInstallScope::System)
                                    .ManifestPath(name)))
                message += " for you; it is installed for every user. Remove it as root with "
                           "--uninstall --system.";
            else
                message += ".";
            return run.Fail(message);
        }
    }
    std::string display_name = "the screensaver";
    try {
        const TInstallManifest manifest = TInstallManifest::Parse(ReadWholeFile(manifest_path));
        display_name = DisplayNameOf(manifest.project_name);
        if (manifest.scope == TInstallScope::System && ::geteuid() != 0)
            return run.Fail(display_name +
                            " is installed for every user; only root can remove it.");
    } catch (const std::exception&) {
        // Uninstall says what is wrong with the record.
    }
    if (run.interactive() &&
        !Confirm("Do you want to remove " + display_name + " from this computer?"))
        return 1;
    try {
        installer.Uninstall(manifest_path);
    } catch (const std::exception& e) {
        return run.Fail(e.what());
    }
    if (run.interactive())
        Inform(display_name + " was removed from this computer.");
    else
        std::printf("%s was removed.\n", display_name.c_str());
    return 0;
}

int Install(const TRun& run, const TInstaller& installer, const std::vector<std::string>& missing) {
    std::unique_ptr<TRuntimeArchive> archive;
    std::unique_ptr<TInstallerPackage> package;
    try {
        archive = TRuntimeArchive::OpenSelf();
        package = std::make_unique<TInstallerPackage>(*archive);
        // Every block of every file is checked before anything is written.
        package->Check();
    } catch (const std::exception& e) {
        return run.Fail(std::string("This installer is damaged: ") + e.what() +
                        "\nNothing was installed. Please get a new copy of the installer.");
    }
    const std::string display_name = DisplayNameOf(package->ProjectName());

    if (!missing.empty()) return run.Fail(MissingPackagesMessage(display_name, missing));

    TInstallRequest request = package->Request(IconFile(*package));
    request.destination = installer.SuggestedDestination(package->ProjectName());
    std::optional<TInstallManifest> earlier;
    try {
        earlier = installer.Installed(package->ProjectName());
    } catch (const std::exception&) {
    }
    request.menu_folder = earlier ? earlier->menu_folder : display_name;

    if (!run.interactive()) {
        try {
            const TInstallResult result = installer.Install(request);
            for (const std::string& note : result.notes)
                std::printf("%s\n", note.c_str());
            std::printf("%s is installed in \"%s\".\n", display_name.c_str(),
                        result.manifest.destination.c_str());
            return 0;
        } catch (const std::exception& e) {
            return run.Fail(std::string(e.what()) + " Nothing was installed.");
        }
    }

    QtMessageBoxes boxes;
    TMessageBoxesScope scope(boxes);
    QIcon icon;
    if (package->Icon()) {
        QPixmap picture;
        if (picture.loadFromData(QByteArray::fromStdString(*package->Icon())))
            icon = QIcon(picture);
    }
    QApplication::setWindowIcon(icon);
    if (package->InstallMode() != 1) return RunQuickInstall(nullptr, installer, request) ? 0 : 1;

    TfrmInstaller wizard;
    auto text = [](const std::optional<std::string>& bytes) -> std::optional<QString> {
        if (!bytes) return std::nullopt;
        return TfrmInstaller::DecodeText(QByteArray::fromStdString(*bytes));
    };
    wizard.PrepareTexts(QString::fromStdString(display_name), text(package->Readme()),
                        text(package->Licence()));
    wizard.MakeReal(installer, request);
    wizard.exec();
    return wizard.Installed() ? 0 : 1;
}

} // namespace

std::string InstallerUsage() {
    return "  (no option)       install the screensaver, step by step or after one question\n"
           "  --silent          install it with the defaults, without windows or questions\n"
           "  --uninstall       remove it again (with --silent: without questions)\n"
           "  --system          install or remove it for every user, under /usr/local (root)\n"
           "  --manifest FILE   with --uninstall: remove the installation recorded in FILE\n";
}

TRuntimeHooks InstallerHooks() {
    TRuntimeHooks hooks;
    hooks.test_contents = [](TRuntimeArchive& archive, std::FILE* out) {
        const TInstallerPackage package(archive);
        std::fprintf(out, "installs %s %s\n", DisplayNameOf(package.ProjectName()).c_str(),
                     package.Version().c_str());
    };
    hooks.describe = [](TRuntimeArchive& archive) {
        const TInstallerPackage package(archive);
        return DisplayNameOf(package.ProjectName()) + " " + package.Version();
    };
    return hooks;
}

bool ParseInstallerOptions(const std::vector<std::string>& args, TInstallerOptions& options,
                           std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--silent" || arg == "/s" || arg == "/S") {
            options.silent = true;
        } else if (arg == "--uninstall") {
            options.uninstall = true;
        } else if (arg == "--system") {
            options.system = true;
        } else if (arg == "--manifest") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = "--manifest needs a file.";
                return false;
            }
            options.manifest = args[++i];
        } else {
            error = "unknown option \"" + arg + "\".";
            return false;
        }
    }
    if (!options.manifest.empty() && !options.uninstall) {
        error = "--manifest goes with --uninstall.";
        return false;
    }
    return true;
}

int RunInstaller(const TInstallerOptions& given, const TRuntimeIdentity& identity, int argc,
                 char** argv) {
    TInstallerOptions options = given;
    if (options.manifest.empty() && !CarriesAPackage()) {
        const std::string own = ManifestOfOwnFolder(TInstallEnvironment::FromProcess());
        if (!own.empty()) {
            options.uninstall = true;
            options.manifest = own;
        }
    }
    const TRun run{options, identity};
    if (run.interactive() && !DisplayAvailable()) {
        std::fprintf(stderr,
                     "%s: there is no display to show the installer on. Run it with --silent "
                     "to %s without windows or questions.\n",
                     identity.program.c_str(),
                     options.uninstall ? "remove the screensaver" : "install with the defaults");
        return 2;
    }
    // Asked before any thread exists, since the probe forks; told after the package check.
    std::vector<std::string> missing;
    if (!options.uninstall)
        missing = MissingPackages(ScreensaverRequirements(
            QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath).toStdString()));
    std::unique_ptr<QCoreApplication> application;
    if (run.interactive())
        application = std::make_unique<QApplication>(argc, argv);
    else
        application = std::make_unique<QCoreApplication>(argc, argv);

    if (options.system && ::geteuid() != 0)
        return run.Fail("Installing for every user needs root: run the installer with sudo, "
                        "or leave out --system to install it for yourself.");
    const TInstaller installer(
        TInstallLocations(TInstallEnvironment::FromProcess(),
                          options.system ? TInstallScope::System : TInstallScope::User));
    return options.uninstall ? Uninstall(run, installer) : Install(run, installer, missing);
}
