// The screensaver runtime "saver.dll": the program every screensaver file begins with. It plays
// the movies packed behind it with the settings of the project (or the end user's own), full
// screen, in a window or in another program's window, and opens the end user's settings window.

#include "BuildIdentity.h"
#include "PlayerModuleLoader.h"
#include "ProgramLog.h"
#include "RuntimeArchive.h"
#include "RuntimeCommandLine.h"
#include "RuntimeReport.h"
#include "SaverCommandLine.h"
#include "SaverConfig.h"
#include "SaverPackage.h"
#include "SaverShow.h"
#include "SaverStage.h"

#include <QApplication>

#include <cstring>
#include <ctime>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace {

// Seconds since the process began (the kernel's start time of this process), for --verbose.
double SecondsSinceStart() {
    std::FILE* stat = std::fopen("/proc/self/stat", "r");
    if (!stat) return 0;
    char buffer[1024];
    const size_t got = std::fread(buffer, 1, sizeof buffer - 1, stat);
    std::fclose(stat);
    buffer[got] = 0;
    // Field 22, counted after the command name's closing parenthesis (field 2).
    const char* field = std::strrchr(buffer, ')');
    for (int i = 2; field && i < 22; ++i)
        field = std::strchr(field + 1, ' ');
    if (!field) return 0;
    const double started = std::strtod(field + 1, nullptr) / double(::sysconf(_SC_CLK_TCK));
    timespec now;
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9 - started;
}

TRuntimeHooks SaverHooks() {
    TRuntimeHooks hooks;
    hooks.test_contents = [](TRuntimeArchive& archive, std::FILE* out) {
        TSaverPackage package = ReadSaverPackage(archive);
        ReadSaverMovies(archive, package);
        for (const TSaverMovie& movie : package.movies)
            std::fprintf(out, "%s: Flash movie, %dx%d, %d frame(s) at %g per second\n",
                         movie.name.c_str(), movie.facts.width, movie.facts.height,
                         movie.facts.frames, movie.facts.rate);
    };
    hooks.describe = [](TRuntimeArchive& archive) {
        const TSaverPackage package = ReadSaverPackage(archive);
        std::string about = package.projectName + " " + package.version;
        if (!package.author.empty()) about += " by " + package.author;
        return about + ", " + std::to_string(package.movies.size()) + " movie(s)";
    };
    return hooks;
}

// Boxes only where someone may be watching: not inside xscreensaver's window or another
// program's, whose owner reads standard error.
bool Interactive(TSaverMode mode) {
    return mode == TSaverMode::Run || mode == TSaverMode::Window || mode == TSaverMode::Config;
}

} // namespace

int main(int argc, char** argv) {
    InstallProgramLog();
    TRuntimeIdentity identity;
    identity.program = ProgramName(argc, argv, "saver.dll");
    identity.noun = "screensaver";
    identity.version = BuildVersion;
    identity.usage = kSaverUsage;
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);

    const TCommonRequest common = ParseCommonOptions(args);
    if (common.command != TCommonCommand::None)
        return RunCommonCommand(common, identity, SaverHooks(), stdout, stderr);
    const TSaverRequest request = ParseSaverOptions(args, std::getenv("XSCREENSAVER_WINDOW"));
    if (!request.error.empty()) {
        std::fprintf(stderr, "%s: %s\n%s", identity.program.c_str(), request.error.c_str(),
                     RuntimeUsage(identity).c_str());
        return 2;
    }
    const bool boxes = Interactive(request.mode);
    auto trace = [&](const char* what) {
        if (request.verbose)
            std::fprintf(stderr, "%s: %.3f s: %s\n", identity.program.c_str(), SecondsSinceStart(),
                         what);
    };
    trace("started");
    const std::string title = "Screensaver";

    // Everything that can be wrong with the file itself is found before anything is shown.
    std::unique_ptr<TRuntimeArchive> archive;
    TSaverPackage package;
    try {
        archive = TRuntimeArchive::OpenSelf();
        package = ReadSaverPackage(*archive);
    } catch (const std::exception& e) {
        ReportRuntimeError(identity, title, e.what(), boxes);
        return 1;
    }
    const std::string shown_title = package.projectName.empty() ? title : package.projectName;
    if (!DisplayAvailable()) {
        ReportRuntimeError(identity, shown_title, "There is no display to show the screensaver on.",
                           false);
        return 1;
    }
    const TSaverSettings settings = SettingsToPlay(package);
    const std::string user_file = UserSettingsPath(package.projectName);

    // The web engine shares OpenGL contexts with the widgets; this must come before the
    // application object, and the player module loads after it.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Compiled shaders would otherwise be kept in the user's cache folder.
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromStdString(shown_title));
    trace("application object made");

    if (request.mode == TSaverMode::Config) {
        try {
            RunSaverConfig(package, settings, user_file);
        } catch (const std::exception& e) {
            ReportRuntimeError(identity, shown_title, e.what(), true);
            return 1;
        }
        return 0;
    }

    QString why;
    const TPlayerModuleApi* player = LoadPlayerModule(why);
    if (player && why.isEmpty()) why = player->Problem();
    if (!player || !why.isEmpty()) {
        ReportRuntimeError(identity, shown_title, why.toStdString(), boxes);
        return 1;
    }

    trace("player module loaded");
    EndOnTerminationSignals();
    int status = 0;
    {
        std::unique_ptr<TSaverStage> stage;
        try {
            stage = std::make_unique<TSaverStage>(
                request, TSaverShow::Look(settings), QString::fromStdString(shown_title),
                [player](const TPlayerLook& look, QWidget* parent) {
                    return player->Create(look, parent);
                });
        } catch (const std::exception& e) {
            ReportRuntimeError(identity, shown_title, e.what(), boxes);
            return 1;
        }
        // The players start while the movies are expanded and checked.
        stage->Show();
        trace("windows shown");
        try {
            ReadSaverMovies(*archive, package);
        } catch (const std::exception& e) {
            stage.reset();
            ReportRuntimeError(identity, shown_title, e.what(), boxes);
            return 1;
        }
        trace("movies read");
        TSaverShow show(package, settings, std::random_device{}());
        for (IMoviePlayer* each : stage->Players())
            show.AddPlayer(each);
        QObject::connect(&show, &TSaverShow::broken, &app, [&](const QString& reason) {
            std::fprintf(stderr, "%s: %s\n", identity.program.c_str(), qPrintable(reason));
            status = 1;
            QCoreApplication::exit(1);
        });
        QObject::connect(&show, &TSaverShow::movieFailed, &app, [&](int, const QString& name) {
            std::fprintf(stderr, "%s: \"%s\" cannot be played.\n", identity.program.c_str(),
                         qPrintable(name));
        });
        if (request.verbose)
            QObject::connect(
                &show, &TSaverShow::movieShown, &app, [&](int index, const QString& name) {
                    std::fprintf(stderr, "%s: %.3f s: showing %d %s\n", identity.program.c_str(),
                                 SecondsSinceStart(), index + 1, qPrintable(name));
                    std::fflush(stderr);
                });
        show.Start();
        const int result = app.exec();
        if (status == 0) status = result;
    }
    return status;
}
