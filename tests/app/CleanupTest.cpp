// The clean-up script for temporary files left behind, and the icon files we write.

#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

#include "Cleanup.h"
#include "IconFile.h"
#include "dm.h"

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

    void shellScriptDeletesEveryFileAndItself() {
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
        QCOMPARE(script, base + CleanupScriptName());
        QCOMPARE(QProcess::execute("/bin/sh", {QString::fromStdString(script)}), 0);
        for (const auto& file : files)
            QVERIFY2(!QFile::exists(QString::fromStdString(file)), file.c_str());
        QVERIFY(QFile::exists(QString::fromStdString(keep)));
        QVERIFY(!QFile::exists(QString::fromStdString(script)));
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
