// The live preview against the real player: start-up, loading, playing once, replacing and
// stopping movies, and files it cannot play. Every wait goes by the player's reported state.
#include "FlashPreview.h"

#include "SwfGen.h"

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr int kStartMs = 120000; // start-up compiles 14 MB of WebAssembly on a busy machine
constexpr int kLoadMs = 60000;

using State = TFlashPreview::State;

bool NearColour(QRgb pixel, QColor colour) {
    return qAbs(qRed(pixel) - colour.red()) < 12 && qAbs(qGreen(pixel) - colour.green()) < 12 &&
           qAbs(qBlue(pixel) - colour.blue()) < 12;
}

// Share of pixels in the middle of the widget's picture close to the colour.
double ShareOf(const QImage& image, QColor colour) {
    int near = 0, all = 0;
    for (int y = image.height() / 4; y < image.height() * 3 / 4; y += 3)
        for (int x = image.width() / 4; x < image.width() * 3 / 4; x += 3, ++all)
            near += NearColour(image.pixel(x, y), colour);
    return all ? double(near) / all : 0;
}

} // namespace

class FlashPreviewTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    std::unique_ptr<TFlashPreview> preview;

    QString Movie(const QString& name, TSwfParams params) {
        const QString path = dir.filePath(name);
        WriteSwf(QFile::encodeName(path).toStdString(), params);
        return path;
    }

    // Loads a movie into the shared preview and waits until the player reports it loaded.
    bool LoadAndWait(const QString& path) {
        QSignalSpy loaded(preview.get(), &TFlashPreview::movieLoaded);
        preview->LoadMovie(path);
        for (int waited = 0; waited < kLoadMs && loaded.isEmpty(); waited += 50) {
            if (preview->state() == State::Failed) return false;
            QTest::qWait(50);
        }
        return !loaded.isEmpty() && loaded.last().at(0).toString() == path;
    }

    // Pictures taken at intervals that share no multiple with a short movie's loop.
    bool StaysStill() {
        QTest::qWait(200);
        const QImage first = preview->grab().toImage();
        for (int i = 0; i < 4; ++i) {
            QTest::qWait(130);
            if (preview->grab().toImage() != first) return false;
        }
        return true;
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void startsBehindAPlaceholderAndBecomesReady() {
        preview = std::make_unique<TFlashPreview>();
        preview->resize(480, 360);
        preview->show();
        QCOMPARE(preview->state(), State::Starting);
        auto* placeholder = preview->findChild<QLabel*>("labPlayerPlaceholder");
        QVERIFY(placeholder);
        QVERIFY(placeholder->isVisible());
        QVERIFY(!placeholder->text().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(preview->state(), State::Ready, kStartMs);
        QVERIFY(!placeholder->isVisible());
    }

    void playsAMovieOnceAndShowsIt() {
        TSwfParams p;
        p.frames = 12;
        p.background = 0x3366cc;
        const QString path = Movie("blue movie #1.swf", p); // blank and # need encoding
        QSignalSpy states(preview.get(), &TFlashPreview::stateChanged);
        QVERIFY(LoadAndWait(path));
        QCOMPARE(preview->moviePath(), path);
        QCOMPARE(preview->state(), State::Playing);
        // Half a second of frames, then it rests on the last one instead of looping.
        QTRY_COMPARE_WITH_TIMEOUT(preview->state(), State::Finished, 20000);
        QVERIFY(states.count() >= 3); // loading, playing, finished
        // The movie's background fills most of the pane: the player really draws it.
        QTRY_VERIFY_WITH_TIMEOUT(ShareOf(preview->grab().toImage(), QColor(0x33, 0x66, 0xcc)) > 0.5,
                                 20000);
        // And it rests on the last frame: a looping movie would have moved on by now.
        QVERIFY(StaysStill());
    }

    void moviesThatCannotCarryAStopArePausedAtTheirEnd() {
        // ActionScript 3 movies run no frame actions: the player pauses them in time.
        TSwfParams p;
        p.frames = 12;
        p.action_script3 = true;
        QVERIFY(LoadAndWait(Movie("as3.swf", p)));
        QTRY_COMPARE_WITH_TIMEOUT(preview->state(), State::Finished, 20000);
        QVERIFY(StaysStill());
    }

    void playsCompressedMovies_data() {
        QTest::addColumn<int>("compression");
        QTest::newRow("zlib") << int(TSwfCompression::Zlib);
        QTest::newRow("lzma") << int(TSwfCompression::Lzma);
    }
    void playsCompressedMovies() {
        QFETCH(int, compression);
        TSwfParams p;
        p.compression = static_cast<TSwfCompression>(compression);
        p.background = 0xcc3322;
        QVERIFY(LoadAndWait(Movie(QString("packed%1.swf").arg(compression), p)));
        QTRY_VERIFY_WITH_TIMEOUT(ShareOf(preview->grab().toImage(), QColor(0xcc, 0x33, 0x22)) > 0.5,
                                 20000);
    }

    void playsRealWorldMovies_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("AS1, uncompressed") << "avm1_watch_recursion_double_swf6_test.swf";
        QTest::newRow("AS3, zlib") << "avm2_bitmap_subclass_test.swf";
        QTest::newRow("AS3, LZMA") << "avm2_coerce_to_primitive_side_effects_test.swf";
    }
    void playsRealWorldMovies() {
        QFETCH(QString, name);
        const QString path = QStringLiteral(GLD_SHARED_DIR "/samples/swf/") + name;
        if (!QFile::exists(path)) QSKIP("no sample movies");
        QVERIFY(LoadAndWait(path));
    }

    void laterMovieReplacesAnEarlierOne() {
        TSwfParams p;
        const QString first = Movie("first.swf", p);
        p.theme = 2;
        const QString second = Movie("second.swf", p);
        QSignalSpy loaded(preview.get(), &TFlashPreview::movieLoaded);
        preview->LoadMovie(first);
        preview->LoadMovie(second);
        QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), kLoadMs);
        QTest::qWait(300); // a late answer for the first movie would arrive now
        QCOMPARE(loaded.count(), 1);
        QCOMPARE(loaded.first().at(0).toString(), second);
    }

    void stopHaltsTheMovie() {
        TSwfParams p;
        p.frames = 2000; // would play for over a minute
        QVERIFY(LoadAndWait(Movie("long.swf", p)));
        QCOMPARE(preview->state(), State::Playing);
        preview->Stop();
        QCOMPARE(preview->state(), State::Finished);
    }

    void fileThatIsNoMovieFails() {
        const QString path = dir.filePath("notes.swf");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("These are notes, not a movie.\n");
        file.close();
        QSignalSpy loaded(preview.get(), &TFlashPreview::movieLoaded);
        preview->LoadMovie(path);
        QTRY_COMPARE_WITH_TIMEOUT(preview->state(), State::Failed, kLoadMs);
        QVERIFY(loaded.isEmpty());
        QCOMPARE(preview->failureReason(), QStringLiteral("The file is not a Flash movie."));
        // A compressed movie's header over bytes that do not inflate: the player's own words,
        // not a stack.
        const QString cut = dir.filePath("cut.swf");
        QFile broken(cut);
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(QByteArray("CWS\x0a\xff\x00\x00\x00", 8) + QByteArray(40, '\x7f'));
        broken.close();
        preview->LoadMovie(cut);
        QTRY_COMPARE_WITH_TIMEOUT(preview->state(), State::Failed, kLoadMs);
        QCOMPARE(preview->failureReason(),
                 QStringLiteral("The movie is damaged or cut short, so the player could not "
                                "read it."));
        // And the preview recovers for the next movie.
        QVERIFY(LoadAndWait(Movie("after.swf", TSwfParams{})));
    }

    void movieAskedForWhileStartingPlaysWhenReady() {
        preview.reset();
        const QString path = Movie("early.swf", TSwfParams{});
        preview = std::make_unique<TFlashPreview>();
        preview->show();
        QSignalSpy loaded(preview.get(), &TFlashPreview::movieLoaded);
        preview->LoadMovie(path);
        QCOMPARE(preview->state(), State::Starting);
        QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), kStartMs);
        QCOMPARE(loaded.first().at(0).toString(), path);
    }

    void destroyedWhileLoadingQuietly() {
        preview->LoadMovie(Movie("gone.swf", TSwfParams{}));
        preview.reset();
        QTest::qWait(200); // late reports must find nothing to call
    }
};

QTEST_MAIN(FlashPreviewTest)
#include "FlashPreviewTest.moc"
