// The file list as the author reads it: "Name" takes the spare width and long paths are
// shortened in the middle with the whole path as a tooltip; the Type width the author leaves
// comes back at the next start; a movie whose file has gone is marked.

#include <QHeaderView>
#include <QStyle>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

#include "AppTestHelpers.h"
#include "Config.h"
#include "FileListColumns.h"

class FileListColumnsTest : public QObject {
    Q_OBJECT

private:
    static QTreeWidget* List(TfrmMain& window) { return Control<QTreeWidget>(window, "lsFiles"); }
    // Shows the window on the Files page at a given size and lets the layout settle.
    static void ShowFiles(TfrmMain& window, QSize size) {
        window.show();
        window.resize(size);
        Control<QTabWidget>(window, "pageMain")
            ->setCurrentWidget(Control<QWidget>(window, "tabFiles"));
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCoreApplication::processEvents();
    }
    static int Room(QTreeWidget* list) { return list->viewport()->width(); }

private slots:
    void nameTakesTheSpareWidthAtEverySize() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        ShowFiles(*window, {655, 463});
        QTreeWidget* list = List(*window);
        const int type = TFileListColumns::DefaultTypeWidth;
        QCOMPARE(list->columnWidth(0), 20);
        QCOMPARE(list->columnWidth(2), type);
        QCOMPARE(list->columnWidth(1), Room(list) - 20 - type);
        // At the window's first size the names have more room than the types.
        QVERIFY(list->columnWidth(1) > type);

        const int before = list->columnWidth(1);
        window->resize(1000, 600);
        QTRY_VERIFY(list->columnWidth(1) > before);
        QCOMPARE(list->columnWidth(1), Room(list) - 20 - type);
        QCOMPARE(list->columnWidth(2), type);
        QVERIFY(!list->header()->stretchLastSection());
    }

    void draggedBorderMovesWidthBetweenNameAndTypeAndIsRemembered() {
        TAppSandbox sandbox;
        {
            auto window = sandbox.MakeMain();
            window->NewProject();
            ShowFiles(*window, {800, 500});
            QTreeWidget* list = List(*window);
            const int room = Room(list);
            // The author drags the border between Name and Type to the left.
            list->header()->resizeSection(1, room - 20 - 260);
            QCOMPARE(list->columnWidth(2), 260);
            QCOMPARE(list->columnWidth(0) + list->columnWidth(1) + list->columnWidth(2), room);
            // A narrower Type leaves Name the rest again.
            list->header()->resizeSection(2, 120);
            QCOMPARE(list->columnWidth(1), room - 20 - 120);
            // Type never vanishes under a wide Name.
            list->header()->resizeSection(1, room + 500);
            QCOMPARE(list->columnWidth(2), TFileListColumns::MinimumTypeWidth);
            list->header()->resizeSection(2, 150);
            window->close();
        }
        QVERIFY(sandbox.ReadText(sandbox.SettingsFile()).find("FileTypeColumn=150") !=
                std::string::npos);
        auto next = sandbox.MakeMain();
        next->NewProject();
        ShowFiles(*next, {800, 500});
        QCOMPARE(List(*next)->columnWidth(2), 150);
        QCOMPARE(List(*next)->columnWidth(1), Room(List(*next)) - 20 - 150);
    }

    void longPathsAreShortenedInTheMiddleWithTheWholePathAsTooltip() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        const std::string movie = sandbox.MakeFile("a-movie-with-a-long-name.swf", 100);
        window->FileList = {movie};
        window->RefreshFileList();
        QTreeWidget* list = List(*window);
        QCOMPARE(list->textElideMode(), Qt::ElideMiddle);
        QTreeWidgetItem* row = list->topLevelItem(0);
        QCOMPARE(row->text(1), QString::fromStdString(movie));
        for (int column = 0; column < 3; ++column)
            QCOMPARE(row->toolTip(column), QString::fromStdString(movie));
    }

    void aMissingMovieIsMarkedWithAnIconAndATooltip() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        const std::string present = sandbox.MakeFile("here.swf", 100);
        const std::string gone = sandbox.Path("gone.swf");
        window->FileList = {present, gone};
        window->RefreshFileList();
        QTreeWidget* list = List(*window);
        const QIcon warning = QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
        const auto picture = [](const QIcon& icon) { return icon.pixmap(16, 16).toImage(); };
        QVERIFY(picture(list->topLevelItem(0)->icon(0)) != picture(warning));
        QCOMPARE(picture(list->topLevelItem(1)->icon(0)), picture(warning));
        QCOMPARE(list->topLevelItem(1)->toolTip(1), QString::fromStdString(MissingFileText(gone)));
        QVERIFY(list->topLevelItem(1)->toolTip(1).contains(QString::fromStdString(gone)));

        // Once the file is back, a refresh shows it like any other.
        sandbox.MakeFile("gone.swf", 10);
        window->RefreshFileList();
        QVERIFY(picture(list->topLevelItem(1)->icon(0)) != picture(warning));
        QCOMPARE(list->topLevelItem(1)->toolTip(1), QString::fromStdString(gone));
    }
};

QTEST_MAIN(FileListColumnsTest)
#include "FileListColumnsTest.moc"
