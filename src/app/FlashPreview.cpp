#include "FlashPreview.h"

#include "FlashInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QStackedLayout>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#ifdef GLD_HAVE_WEBENGINE
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#endif

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include <functional>

namespace {

// A media pane rather than a form: dark and neutral, so any movie's colours read well.
const char* const kPaneColour = "#262626";
const char* const kTextColour = "#b8b8b8";

// Movies up to this size travel to the player as bytes, with a stop action placed in their
// last frame; larger ones are opened by the player from their file.
constexpr std::size_t kMaxBytesHandedOver = 32u << 20;

// Generous: the machine may be busy, and a failure here only leaves a message in the pane.
constexpr int kStartTimeoutMs = 90000;

#ifdef GLD_HAVE_WEBENGINE
// The web engine shares OpenGL contexts with the widgets, which must be asked for before the
// application object exists; this runs while the program is being loaded.
void ShareOpenGLContexts() {
    if (!QCoreApplication::instance()) QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}
Q_CONSTRUCTOR_FUNCTION(ShareOpenGLContexts)

// Hears the page's console lines "gld:<what> <json>" and hands them on.
class TPreviewPage : public QWebEnginePage {
public:
    using TReport = std::function<void(const QString&, const QString&)>;
    TPreviewPage(QWebEngineProfile* profile, QObject* parent, TReport report)
        : QWebEnginePage(profile, parent), report(std::move(report)) {}

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                  const QString&) override {
        if (!message.startsWith(QLatin1String("gld:"))) return;
        const qsizetype blank = message.indexOf(QLatin1Char(' '));
        report(message.mid(4, blank < 0 ? -1 : blank - 4),
               blank < 0 ? QString() : message.mid(blank + 1));
    }

private:
    TReport report;
};
#endif

} // namespace

TFlashPreview::TFlashPreview(const QString& folder, QWidget* parent)
    : QWidget(parent), playerFolder(folder) {
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(kPaneColour));
    pal.setColor(QPalette::WindowText, QColor(kTextColour));
    setPalette(pal);

    stack = new QStackedLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    // All layers show at once: the view renders beneath the placeholder while it starts,
    // since a hidden page would not run its player.
    stack->setStackingMode(QStackedLayout::StackAll);
    placeholder = new QLabel(this);
    placeholder->setObjectName("labPreviewPlaceholder");
    placeholder->setAlignment(Qt::AlignCenter);
    placeholder->setWordWrap(true);
    placeholder->setAutoFillBackground(true);
    placeholder->setMargin(12);
    stack->addWidget(placeholder);

    startTimeout = new QTimer(this);
    startTimeout->setSingleShot(true);
    connect(startTimeout, &QTimer::timeout, this, [this] {
        if (!playerReady) {
            ShowPlaceholder(tr("The player did not start."));
            SetState(State::Failed);
        }
    });
    StartPlayer();
}

TFlashPreview::~TFlashPreview() = default;

bool TFlashPreview::WebEngineAvailable() {
#ifdef GLD_HAVE_WEBENGINE
    return true;
#else
    return false;
#endif
}

void TFlashPreview::SetState(State state) {
    if (state == currentState) return;
    currentState = state;
    emit stateChanged(state);
}

void TFlashPreview::ShowPlaceholder(const QString& text) {
    placeholder->setText(text);
    placeholder->show();
    placeholder->raise();
}

void TFlashPreview::StartPlayer() {
#ifndef GLD_HAVE_WEBENGINE
    ShowPlaceholder(
        tr("The preview is unavailable: this build has no web engine to play Flash movies."));
    currentState = State::Unavailable;
#else
    const QDir folder(PlayerFolder());
    const QString page = folder.filePath("flashpreview.html");
    if (!QFileInfo::exists(page) || !QFileInfo::exists(folder.filePath("ruffle/ruffle.js"))) {
        ShowPlaceholder(
            tr("The preview is unavailable: its player is missing from the program folder."));
        currentState = State::Unavailable;
        return;
    }
#ifdef Q_OS_UNIX
    // Chromium's sandbox cannot run for the superuser; without this switch the engine exits.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    ShowPlaceholder(tr("Starting the preview…"));

    view = new QWebEngineView(this);
    view->setObjectName("webPreview");
    view->setContextMenuPolicy(Qt::NoContextMenu);
    auto* webPage = new TPreviewPage(
        QWebEngineProfile::defaultProfile(), view,
        [this](const QString& what, const QString& json) { OnPlayerReport(what, json); });
    webPage->setBackgroundColor(QColor(kPaneColour));
    QWebEngineSettings* settings = webPage->settings();
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    view->setPage(webPage);
    connect(webPage, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        if (!ok && !playerReady) {
            ShowPlaceholder(tr("The preview could not start."));
            SetState(State::Failed);
        }
    });
    stack->insertWidget(0, view);
    placeholder->raise();

    QUrl url = QUrl::fromLocalFile(page);
    QUrlQuery query;
    query.addQueryItem("bg", kPaneColour);
    query.addQueryItem("fg", kTextColour);
    query.addQueryItem("hint", tr("Select a Flash file to play it here."));
    url.setQuery(query);
    startTimeout->start(kStartTimeoutMs);
    view->load(url);
#endif
}

void TFlashPreview::LoadMovie(const QString& path) {
    currentPath = path;
    ++serial;
    if (currentState == State::Unavailable || (currentState == State::Failed && !playerReady))
        return;
    if (playerReady) {
        SendLoad();
        SetState(State::Loading);
    }
    // Otherwise the movie goes to the player the moment it reports ready.
}

void TFlashPreview::SendLoad() {
#ifdef GLD_HAVE_WEBENGINE
    QJsonObject request;
    request["serial"] = serial;
    request["failedHint"] = tr("This file cannot be played.");
    bool handedOver = false;
    if (auto movie =
            ReadFlashMovie(QFile::encodeName(currentPath).toStdString(), kMaxBytesHandedOver)) {
        auto facts = ReadFlashMovieFacts(*movie);
        std::optional<std::vector<uint8_t>> once;
        // ActionScript 3 movies run no frame actions, so a stop action would be ignored.
        if (facts && !facts->action_script3) once = WithStopOnLastFrame(*movie);
        const std::vector<uint8_t>& bytes = once ? *once : *movie;
        request["data"] =
            QString::fromLatin1(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                        static_cast<qsizetype>(bytes.size()))
                                    .toBase64());
        request["stopsItself"] = once.has_value();
        handedOver = true;
    }
    if (!handedOver) {
        // Too large, or not a movie we can read: the player opens the file and decides.
        request["url"] = QUrl::fromLocalFile(QFileInfo(currentPath).absoluteFilePath())
                             .toString(QUrl::FullyEncoded);
        request["stopsItself"] = false;
    }
    const QString script =
        QStringLiteral("gldLoad(%1);")
            .arg(QString::fromUtf8(QJsonDocument(request).toJson(QJsonDocument::Compact)));
    view->page()->runJavaScript(script);
#endif
}

void TFlashPreview::Stop() {
#ifdef GLD_HAVE_WEBENGINE
    if (!view) return;
    if (playerReady) view->page()->runJavaScript(QStringLiteral("gldStop();"));
    if (currentState == State::Loading || currentState == State::Playing) SetState(State::Finished);
#endif
}

void TFlashPreview::OnPlayerReport(const QString& what, const QString& json) {
    const QJsonObject detail = QJsonDocument::fromJson(json.toUtf8()).object();
    if (what == QLatin1String("ready")) {
        playerReady = true;
        startTimeout->stop();
        placeholder->hide();
        if (!currentPath.isEmpty()) {
            SendLoad();
            SetState(State::Loading);
        } else {
            SetState(State::Ready);
        }
        return;
    }
    if (what == QLatin1String("unavailable")) {
        startTimeout->stop();
        ShowPlaceholder(
            tr("The preview is unavailable: its player is missing from the program folder."));
        SetState(State::Unavailable);
        return;
    }
    // The rest answer one LoadMovie; answers to an earlier one are stale.
    if (detail.value("serial").toInt(-1) != serial) return;
    if (what == QLatin1String("loading")) {
        SetState(State::Loading);
    } else if (what == QLatin1String("loaded")) {
        SetState(State::Playing);
        emit movieLoaded(currentPath);
    } else if (what == QLatin1String("finished") || what == QLatin1String("stopped")) {
        SetState(State::Finished);
    } else if (what == QLatin1String("failed")) {
        SetState(State::Failed);
    }
}
