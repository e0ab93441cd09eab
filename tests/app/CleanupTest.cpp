// The clean-up script for temporary files left behind, and the icon files we write.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "Cleanup.h"
#include "IconFile.h"
#include "SecondUser.h"
#include "dm.h"

namespace {
unsigned ModeOf(const QString& path) {
    struct stat st {};
    if (::lstat(path.toUtf8().constData(), &st) != 0) return 0;
    return st.st_mode & 07777;
}

QByteArray ReadAll(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

// Sets (or with nullptr removes) an environment variable for the length of a scope.
class TEnv {
public:
    TEnv(const char* name, const char* value) : name(name), old(qgetenv(name)) {
        had = qEnvironmentVariableIsSet(name);
        if (value)
            qputenv(name, value);
        else
            qunsetenv(name);
    }
    ~TEnv() {
        if (had)
            qputenv(name, old);
        else
            qunsetenv(name);
    }

private:
    const char* name;
    QByteArray old;
    bool had = false;
};
} // namespace

class CleanupTest : public QObject {
    Q_OBJECT

private slots:
    void batchFileReadsExactlyAsDesigned() {
        const std::string text =
            CleanupBatchText({"C:\\Temp\\a1_saver.tmp", "C:\\Temp\\a2_saver.tmp"});
        QCOMPARE(text, std::string(":pp\r\n"
                                   "@del \"C:\\Temp\\a1_saver.tmp\"\r\n"
                                   "@del \"C:\\Temp\\a2_saver.tmp\"\r\n"
                                   "if exist \"C:\\Temp\\a2_saver.tmp\" goto pp\r\n"
                                   "@del %0\r\n"));
        const std::string one = CleanupBatchText({"C:\\Temp\\only.tmp"});
        QCOMPARE(std::count(one.begin(), one.end(), '\n'), 4);
        QVERIFY(one.find("if exist \"C:\\Temp\\only.tmp\" goto pp\r\n") != std::string::npos);
        QCOMPARE(CleanupBatchText({}), std::string());
    }

    void shellScriptDeletesEveryFileThenItselfAndItsFolder() {
        QTemporaryDir folder;
        const std::string base = folder.path().toStdString() + "/";
        // Names with blanks and quotes must reach rm unchanged.
        const std::vector<std::string> files = {base + "a1_saver.tmp", base + "it's here.tmp",
                                                base + "$HOME.tmp"};
        for (const auto& file : files)
            std::ofstream(file) << "x";
        const std::string keep = base + "keep.tmp";
        std::ofstream(keep) << "x";
        const std::string script = WriteCleanupScript(files, base);
        // In a folder of its own that only we may enter.
        const QFileInfo own(QFileInfo(QString::fromStdString(script)).path());
        QCOMPARE(own.dir().path() + "/", QString::fromStdString(base));
        QVERIFY(own.fileName().startsWith("glimmerdrome-"));
        QCOMPARE(ModeOf(own.filePath()), 0700u);
        QCOMPARE(QFileInfo(QString::fromStdString(script)).fileName(),
                 QString::fromStdString(CleanupScriptName()));
        QVERIFY(IsPrivateScript(script));

        QCOMPARE(QProcess::execute("/bin/sh", {QString::fromStdString(script)}), 0);
        for (const auto& file : files)
            QVERIFY2(!QFile::exists(QString::fromStdString(file)), file.c_str());
        QCOMPARE(QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{"keep.tmp"});
    }

    void anotherUsersPlantsAreNeverWrittenNorRun() {
        std::string why;
        if (!SecondUser::Available(&why)) QSKIP(why.c_str());
        QTemporaryDir mine;
        const std::string left = mine.path().toStdString() + "/a1_saver.tmp";
        const std::string victim = mine.path().toStdString() + "/victim.txt";
        std::ofstream(left) << "x";
        std::ofstream(victim) << "precious";
        const unsigned victimMode = ModeOf(QString::fromStdString(victim));

        // In one stand-in for /tmp the other user plants a script of theirs under the name a
        // fixed-name script would take, in another a link to a file of ours.
        TSharedTempFolder planted, linked;
        const std::string hostile = planted / CleanupScriptName();
        QCOMPARE(SecondUser::RunShell("printf '#!/bin/sh\\ntouch " + planted / "ran" + "\\n' > " +
                                      hostile + " && chmod 666 " + hostile),
                 0);
        const QByteArray plantedText = ReadAll(hostile);
        QCOMPARE(SecondUser::Run({"ln", "-s", victim, linked / CleanupScriptName()}), 0);

        TEnv noRuntime("XDG_RUNTIME_DIR", nullptr);
        for (const TSharedTempFolder* shared : {&planted, &linked}) {
            std::ofstream(left) << "x";
            TEnv temp("TMPDIR", shared->Path().c_str());
            StartCleanup({left});
            QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(QString::fromStdString(left)), 5000);
            // Our private folder goes with the script.
            QTRY_COMPARE_WITH_TIMEOUT(
                QDir(QString::fromStdString(shared->Path()))
                    .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)
                    .size(),
                1, 5000);
        }
        QCOMPARE(ReadAll(hostile), plantedText);
        QVERIFY(!QFile::exists(QString::fromStdString(planted / "ran")));
        QCOMPARE(ReadAll(victim), QByteArray("precious"));
        QCOMPARE(ModeOf(QString::fromStdString(victim)), victimMode);

        // The other user can neither write our script, nor look into its folder, nor move it.
        const std::string script = WriteCleanupScript({left}, planted.Path());
        const std::string folder = QFileInfo(QString::fromStdString(script)).path().toStdString();
        QVERIFY(SecondUser::RunShell("echo 'touch " + planted / "ran" + "' >> " + script +
                                     " 2>/dev/null") != 0);
        QVERIFY(SecondUser::RunShell("ls " + folder + " >/dev/null 2>&1") != 0);
        QVERIFY(SecondUser::RunShell("mv " + folder + " " + planted / "moved" + " 2>/dev/null") !=
                0);
        QVERIFY(IsPrivateScript(script));
        // Once its folder is opened to others, the script is no longer run.
        QVERIFY(QFile::setPermissions(QString::fromStdString(folder),
                                      QFileDevice::Permissions(0x7777)));
        std::ofstream(left) << "x";
        QVERIFY(!IsPrivateScript(script));
        QVERIFY(!StartCleanupScript(script));
        QTest::qWait(200);
        QVERIFY(QFile::exists(QString::fromStdString(left)));
    }

    void runtimeFolderServesOnlyWhenItIsOursAndClosed() {
        QTemporaryDir folder;
        const QString run = folder.path() + "/run";
        QVERIFY(QDir().mkdir(run));
        TEnv temp("TMPDIR", folder.path().toUtf8().constData());
        TEnv runtime("XDG_RUNTIME_DIR", run.toUtf8().constData());
        const std::string tempFolder = folder.path().toStdString() + "/";
        QVERIFY(QFile::setPermissions(run, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner));
        QCOMPARE(CleanupScriptParent(), run.toStdString() + "/");
        QVERIFY(QFile::setPermissions(run, QFileDevice::Permissions(0x7755)));
        QCOMPARE(CleanupScriptParent(), tempFolder);
        // A link to a closed folder of ours could be pointed elsewhere later.
        QVERIFY(QFile::setPermissions(run, QFileDevice::Permissions(0x7700)));
        QVERIFY(QFile::link(run, folder.path() + "/link"));
        TEnv linked("XDG_RUNTIME_DIR", (folder.path() + "/link").toUtf8().constData());
        QCOMPARE(CleanupScriptParent(), tempFolder);
        if (::geteuid() == 0) {
            QCOMPARE(::chown(run.toUtf8().constData(), SecondUser::Uid, SecondUser::Gid), 0);
            TEnv theirs("XDG_RUNTIME_DIR", run.toUtf8().constData());
            QCOMPARE(CleanupScriptParent(), tempFolder);
        }
    }

    void aFolderOpenToEveryoneIsRefused() {
        QTemporaryDir folder;
        QVERIFY(QFile::setPermissions(folder.path(), QFileDevice::Permissions(0x7777)));
        QVERIFY_THROWS_EXCEPTION(std::exception,
                                 WriteCleanupScript({"/tmp/x"}, folder.path().toStdString()));
        QVERIFY(QDir(folder.path()).isEmpty());
    }

    void shellScriptGivesUpOnAFileThatStays() {
        QTemporaryDir folder;
        const std::string base = folder.path().toStdString() + "/";
        // A folder cannot be removed by rm -f, so the loop must end by its bound.
        QDir(folder.path()).mkdir("stuck.tmp");
        const std::string text = CleanupShellText({base + "stuck.tmp"}, 2);
        const std::string script = base + "bounded.sh";
        std::ofstream(script) << text;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(QProcess::execute("/bin/sh", {QString::fromStdString(script)}), 0);
        QVERIFY(timer.elapsed() < 10000);
        QVERIFY(!QFile::exists(QString::fromStdString(script)));
    }

    void unwritableTempFolderRaises() {
        QVERIFY_THROWS_EXCEPTION(std::exception,
                                 WriteCleanupScript({"/tmp/x"}, "/no/such/folder/"));
        QCOMPARE(WriteCleanupScript({}, "/no/such/folder/"), std::string());
    }

    void iconFilesReadBackWithEverySizeAndTransparency() {
        QTemporaryDir folder;
        const std::string path = folder.path().toStdString() + "/t.ico";
        WriteIcoFile(path, {Tdm::DefaultProjectIconImage(16), Tdm::DefaultProjectIconImage(32),
                            Tdm::DefaultProjectIconImage(48)});
        QImageReader reader(QString::fromStdString(path));
        QCOMPARE(reader.imageCount(), 3);
        QList<int> widths;
        for (int i = 0; i < 3; ++i) {
            QVERIFY(reader.jumpToImage(i));
            const QImage image = reader.read();
            QVERIFY(!image.isNull());
            widths << image.width();
            if (image.width() == 32) {
                const QImage drawn = Tdm::DefaultProjectIconImage(32);
                QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
                QCOMPARE(image.pixel(16, 14), drawn.pixel(16, 14));
            }
        }
        std::sort(widths.begin(), widths.end());
        QCOMPARE(widths, (QList<int>{16, 32, 48}));
        QVERIFY_THROWS_EXCEPTION(std::exception,
                                 IcoFileBytes({QImage(300, 300, QImage::Format_ARGB32)}));
    }
};

QTEST_MAIN(CleanupTest)
#include "CleanupTest.moc"
