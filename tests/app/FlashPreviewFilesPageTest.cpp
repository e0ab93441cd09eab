// The preview and the file panes inside the main window: created on first entering the Files
// page and kept warm after leaving it, a selected movie loaded and played, and the status panes
// for Flash files, other files, files that are no movie and files that have gone.
#include "AppTestHelpers.h"

#include "FlashPreview.h"
#include "SwfGen.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

#include <cstdio>
#include <fstream>

namespace {

constexpr int kStartMs = 120000;

QString Pane(TfrmMain& window, const char* name) {
    return Control<QLabel>(window, name)->text();
}

TFlashPreview* PreviewOf(TfrmMain& window) {
    return window.findChild<TFlashPreview*>();
}

void Select(TfrmMain& window, int row) {
    auto* list = Control<QTreeWidget>(window, "lsFiles");
    list->clearSelection();
    list->topLevelItem(row)->setSelected(true);
}

} // namespace

class FlashPreviewFilesPageTest : public QObject {
    Q_OBJECT

private slots:
    void panesAndPreviewFollowTheFilesPage() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain(TResourceLocator(GLD_PROGRAM_DIR));
        window->resize(900, 600);
        window->show();
        auto* pages = Control<QTabWidget>(*window, "pageMain");
        QVERIFY(!window->flashPreview);

        TSwfParams p;
        p.width = 640;
        p.height = 480;
        p.compression = TSwfCompression::Zlib;
        const std::string movie =
            sandbox.Path("Capital.SWF"); // the kind goes by extension, any case
        WriteSwf(movie, p);
        p.width = 320;
        p.height = 200;
        p.compression = TSwfCompression::Lzma;
        p.xmin_twips = 200;
        const std::string small = sandbox.Path("small.swf");
        WriteSwf(small, p);
        const std::string notes = sandbox.MakeFile("notes.txt", 40);
        const std::string fake = sandbox.MakeFile("fake.swf", 40); // bytes, but no movie
        const std::string gone = sandbox.MakeFile("gone.swf", 40);
        window->FileList = {movie, notes, fake, gone, small};
        window->RefreshFileList();
        QTRY_COMPARE(Control<QTreeWidget>(*window, "lsFiles")->topLevelItemCount(), 5);
        std::remove(gone.c_str());

        // Entering the page creates the preview; it fills the preview panel.
        pages->setCurrentWidget(Control<QWidget>(*window, "tabFiles"));
        TFlashPreview* preview = PreviewOf(*window);
        QVERIFY(preview);
        QCOMPARE(static_cast<QWidget*>(preview), window->flashPreview);
        QCOMPARE(preview->parentWidget(), Control<QWidget>(*window, "palPreview"));
        QTRY_COMPARE_WITH_TIMEOUT(preview->state(), TFlashPreview::State::Ready, kStartMs);

        // A Flash file: its frame size, and the player loads it.
        QSignalSpy loaded(preview, &TFlashPreview::movieLoaded);
        Select(*window, 0);
        QCOMPARE(Pane(*window, "ssDimension"), QString("640X480"));
        QCOMPARE(Pane(*window, "ssFileName"), QString("Capital.SWF"));
        QVERIFY(!Pane(*window, "ssFileDate").isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 60000);
        QCOMPARE(loaded.last().at(0).toString(), QString::fromStdString(movie));
        QCOMPARE(preview->state(), TFlashPreview::State::Playing);

        // Another kind of file: date and name change, the frame size stays.
        Select(*window, 1);
        QCOMPARE(Pane(*window, "ssFileName"), QString("notes.txt"));
        QCOMPARE(Pane(*window, "ssDimension"), QString("640X480"));

        // A file gone since it was listed changes nothing.
        Select(*window, 3);
        QCOMPARE(Pane(*window, "ssFileName"), QString("notes.txt"));

        // A Flash file with an offset frame, LZMA-compressed: the real size.
        Select(*window, 4);
        QCOMPARE(Pane(*window, "ssDimension"), QString("320X200"));

        // A ".swf" that is no movie shows no size rather than invented numbers.
        Select(*window, 2);
        QCOMPARE(Pane(*window, "ssFileName"), QString("fake.swf"));
        QCOMPARE(Pane(*window, "ssDimension"), QString());
        QTRY_COMPARE_WITH_TIMEOUT(preview->state(), TFlashPreview::State::Failed, 60000);

        // Leaving the page halts the movie but keeps the player, and the failure is not left
        // standing for the next visit; the panes keep their texts.
        pages->setCurrentWidget(Control<QWidget>(*window, "tabConfiguration"));
        QCOMPARE(window->flashPreview, static_cast<QWidget*>(preview));
        QCOMPARE(preview->state(), TFlashPreview::State::Ready);
        QCOMPARE(Pane(*window, "ssFileName"), QString("fake.swf"));

        // Back again, the same player plays the same row selected anew, with no start-up.
        pages->setCurrentWidget(Control<QWidget>(*window, "tabFiles"));
        QCOMPARE(PreviewOf(*window), preview);
        QSignalSpy again(preview, &TFlashPreview::movieLoaded);
        Select(*window, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!again.isEmpty(), 60000);
        QCOMPARE(again.last().at(0).toString(), QString::fromStdString(movie));
    }
};

QTEST_MAIN(FlashPreviewFilesPageTest)
#include "FlashPreviewFilesPageTest.moc"
