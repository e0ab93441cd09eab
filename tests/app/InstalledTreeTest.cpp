// The main window of an installed program: its settings live in the user's configuration
// folder, never in the tree, and the file association starts the tree's own program with the
// tree's icons.

#include <QDir>
#include <QImage>
#include <QtTest>
#include <filesystem>

#include "AppTestHelpers.h"
#include "BuildIdentity.h"
#include "Config.h"
#include "ResourceLocator.h"

namespace {

// Sets an environment variable for the life of the object.
class TEnvScope {
public:
    TEnvScope(const char* name, const std::string& value)
        : name(name), had(qEnvironmentVariableIsSet(name)), old(qgetenv(name)) {
        qputenv(name, QByteArray::fromStdString(value));
    }
    ~TEnvScope() {
        if (had)
            qputenv(name, old);
        else
            qunsetenv(name);
    }

private:
    const char* name;
    bool had;
    QByteArray old;
};

} // namespace

class InstalledTreeTest : public QObject {
    Q_OBJECT

private slots:
    void settingsAndAssociationComeFromTheUsersFoldersAndTheTree() {
        TAppSandbox sandbox;
        const std::string prefix = sandbox.Path("usr");
        QDir root(QString::fromStdString(prefix));
        const std::string icon_dir = "share/icons/hicolor/256x256/apps";
        for (const char* folder : {"bin", "lib/glimmerdrome", "share/glimmerdrome"})
            QVERIFY(root.mkpath(folder));
        QVERIFY(root.mkpath(QString::fromStdString(icon_dir)));
        sandbox.MakeIcon("usr/share/glimmerdrome/defaultProjectIcon.ico");
        QImage picture(256, 256, QImage::Format_ARGB32);
        picture.fill(Qt::darkBlue);
        QVERIFY(picture.save(
            QString::fromStdString(prefix + "/" + icon_dir + "/" + DesktopId + ".png"), "PNG"));

        TEnvScope config("XDG_CONFIG_HOME", sandbox.Path("config"));
        TEnvScope data("XDG_DATA_HOME", sandbox.Path("data"));
        TfrmMain window(TResourceLocator::Installed(prefix), nullptr);
        window.Activated = true;

        TConfig& settings = window.Settings();
        QVERIFY(settings.UsesUserFolder());
        QCOMPARE(settings.FileName, sandbox.Path("config/glimmerdrome/configuration.ini"));
        settings.AddRecentFile("/home/me/show.gldp");

        settings.ApplyAssociation(true);
        const std::string entry =
            sandbox.ReadText(sandbox.Path("data/applications/") + DesktopId + ".desktop");
        QVERIFY2(entry.find("\nExec=" + prefix + "/bin/glimmerdrome %f\n") != std::string::npos,
                 entry.c_str());
        QVERIFY2(entry.find("\nIcon=" + std::string(DesktopId) + "\n") != std::string::npos,
                 entry.c_str());
        QVERIFY(QFile::exists(QString::fromStdString(sandbox.Path("data/") + icon_dir.substr(6) +
                                                     "/" + DesktopId + ".png")));

        // Nothing of it went into the tree.
        for (const auto& file : std::filesystem::recursive_directory_iterator(prefix))
            QVERIFY2(file.path().filename() != SettingsFileName, file.path().c_str());
    }
};

QTEST_MAIN(InstalledTreeTest)
#include "InstalledTreeTest.moc"
