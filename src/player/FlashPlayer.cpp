#include "FlashPlayer.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLibraryInfo>
#include <QPointer>
#include <QStackedLayout>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <functional>

#include <unistd.h>

namespace {

// Generous: the machine may be busy, and a failure here only leaves the player broken.
constexpr int kStartTimeoutMs = 90000;

// Bytes per script call while a movie travels to the page (as base64, a third more): small
// enough that no single message between the processes grows large.
constexpr qsizetype kChunkBytes = 3 << 20;

const char* const kPageUrl = "qrc:/gld/player/player.html";

// The web engine shares OpenGL contexts with the widgets, which must be asked for before the
// application object exists; this runs while the program is being loaded. (A program that
// loads the player as a module sets the attribute itself.)
void ShareOpenGLContexts() {
    if (!QCoreApplication::instance()) QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}
Q_CONSTRUCTOR_FUNCTION(ShareOpenGLContexts)

// One private profile for every player of the process: off the record, so cookies, caches
// and storage stay in memory and nothing is written to the user's folders.
QWebEngineProfile* PrivateProfile() {
    static QPointer<QWebEngineProfile> profile;
    if (!profile) {
        profile = new QWebEngineProfile(QCoreApplication::instance());
        profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
        profile->setSpellCheckEnabled(false);
    }
    return profile;
}

// Hears the page's console lines "gld:<what> <json>" and hands them on.
class TPlayerPage : public QWebEnginePage {
public:
    using TReport = std::function<void(const QString&, const QString&)>;
    TPlayerPage(QWebEngineProfile* profile, QObject* parent, TReport report)
        : QWebEnginePage(profile, parent), report(std::move(report)) {}

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                  const QString&) override {
        if (!message.startsWith(QLatin1String("gld:"))) return;
        const qsizetype blank = message.indexOf(QLatin1Char(' '));
        report(message.mid(4, blank < 0 ? -1 : blank - 4),
               blank < 0 ? QString() : message.mid(blank + 1));
    }
    // The page never goes anywhere else: a movie's links stay closed.
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override {
        return !isMainFrame || url.scheme() == QLatin1String("qrc");
    }

private:
    TReport report;
};

QString ColourText(const QColor& colour) {
    return colour.isValid() ? colour.name(QColor::HexRgb) : QStringLiteral("#000000");
}

} // namespace

TFlashPlayer::TFlashPlayer(const TPlayerLook& look, QWidget* parent) : QWidget(parent), look(look) {
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, look.background);
    pal.setColor(QPalette::WindowText, look.text);
    setPalette(pal);
    if (look.hideCursor) setCursor(Qt::BlankCursor);

    stack = new QStackedLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    // All layers show at once: the view renders beneath the placeholder while it starts,
    // since a hidden page would not run its player.
    stack->setStackingMode(QStackedLayout::StackAll);
    placeholder = new QLabel(this);
    placeholder->setObjectName("labPlayerPlaceholder");
    placeholder->setAlignment(Qt::AlignCenter);
    placeholder->setWordWrap(true);
    placeholder->setAutoFillBackground(true);
    placeholder->setMargin(12);
    stack->addWidget(placeholder);

    startTimeout = new QTimer(this);
    startTimeout->setSingleShot(true);
    connect(startTimeout, &QTimer::timeout, this, [this] {
        if (!playerReady) Break(tr("The player did not start."));
    });
    StartPlayer();
}

TFlashPlayer::~TFlashPlayer() = default;

QString TFlashPlayer::WebEngineProblem() {
    QString helper = qEnvironmentVariable("QTWEBENGINEPROCESS_PATH");
    if (helper.isEmpty())
        helper = QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) +
                 QStringLiteral("/QtWebEngineProcess");
    if (!QFileInfo(helper).isExecutable())
        return tr("The web engine's helper program %1 is missing.").arg(helper);
    QString resources = qEnvironmentVariable("QTWEBENGINE_RESOURCES_PATH");
    if (resources.isEmpty())
        resources = QLibraryInfo::path(QLibraryInfo::DataPath) + QStringLiteral("/resources");
    // (Debian's engine uses the system's ICU, so its data file is not checked here.)
    if (!QFileInfo::exists(resources + QStringLiteral("/qtwebengine_resources.pak")))
        return tr("The web engine's resources are missing from %1.").arg(resources);
    return QString();
}

void TFlashPlayer::SetState(State state) {
    if (state == currentState) return;
    currentState = state;
    emit stateChanged(state);
}

void TFlashPlayer::ShowPlaceholder(const QString& text) {
    placeholder->setText(text);
    placeholder->show();
    placeholder->raise();
}

void TFlashPlayer::Break(const QString& why) {
    startTimeout->stop();
    whyBroken = why;
    ShowPlaceholder(look.failedHint.isEmpty() ? QString() : why);
    SetState(State::Broken);
    if (listener) listener->PlayerBroken(why);
}

QString TFlashPlayer::LookJson() const {
    QJsonObject object;
    object["background"] = ColourText(look.background);
    object["text"] = ColourText(look.text);
    object["idleHint"] = look.idleHint;
    object["failedHint"] = look.failedHint;
    object["detailsLabel"] = look.detailsLabel;
    object["fit"] = look.fit == TPlayerFit::OriginalSize ? "original" : "showAll";
    object["mute"] = look.mute;
    object["hideCursor"] = look.hideCursor;
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

void TFlashPlayer::StartPlayer() {
    // Chromium's sandbox cannot run for the superuser; without this switch the engine exits.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The browser's own log lines (GPU and WebGL fall-backs on machines without a GPU) go
    // straight to standard error; only fatal ones are a user's business. GLD_DEBUG keeps them.
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS") &&
        qEnvironmentVariableIsEmpty("GLD_DEBUG"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--log-level=3");
    const QString problem = WebEngineProblem();
    if (!problem.isEmpty()) {
        // Reported once the caller can hear it.
        QTimer::singleShot(0, this, [this, problem] { Break(problem); });
        return;
    }
    ShowPlaceholder(look.idleHint.isEmpty() ? QString() : tr("Starting the player…"));

    view = new QWebEngineView(this);
    view->setObjectName("webPlayer");
    view->setContextMenuPolicy(Qt::NoContextMenu);
    view->setAcceptDrops(false);
    if (look.hideCursor) view->setCursor(Qt::BlankCursor);
    auto* page =
        new TPlayerPage(PrivateProfile(), view, [this](const QString& what, const QString& json) {
            OnPlayerReport(what, json);
        });
    page->setBackgroundColor(look.background);
    QWebEngineSettings* settings = page->settings();
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    view->setPage(page);
    connect(page, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        if (!ok && !playerReady) Break(tr("The player's page could not be opened."));
    });
    connect(page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                if (status != QWebEnginePage::NormalTerminationStatus)
                    Break(tr("The player stopped unexpectedly."));
            });
    stack->insertWidget(0, view);
    placeholder->raise();

    QUrl url(QString::fromLatin1(kPageUrl));
    QUrlQuery query;
    query.addQueryItem("look", LookJson());
    if (look.warmUp) query.addQueryItem("warm", "1");
    url.setQuery(query);
    startTimeout->start(kStartTimeoutMs);
    view->load(url);
}

int TFlashPlayer::Load(const TPlayerMovie& next) {
    movie = next;
    movieSent = false;
    ++serial;
    if (currentState == State::Broken) {
        // Nothing will play; say so for this movie too, once the caller is back.
        const int failed = serial;
        QTimer::singleShot(0, this, [this, failed] {
            emit movieFailed(failed);
            if (listener) listener->MovieFailed(failed);
        });
        return serial;
    }
    if (playerReady) {
        SendMovie();
        SetState(State::Loading);
    }
    // Otherwise the movie goes to the player the moment it reports ready.
    return serial;
}

void TFlashPlayer::SendMovie() {
    if (movieSent || !view) return;
    movieSent = true;
    QWebEnginePage* page = view->page();
    const QByteArray& bytes = movie.bytes;
    page->runJavaScript(QStringLiteral("gldBegin(%1, %2);").arg(serial).arg(bytes.size()));
    for (qsizetype offset = 0; offset < bytes.size(); offset += kChunkBytes) {
        const QByteArray part = QByteArray::fromRawData(bytes.constData() + offset,
                                                        qMin(kChunkBytes, bytes.size() - offset))
                                    .toBase64();
        page->runJavaScript(QStringLiteral("gldChunk(%1, %2, \"%3\");")
                                .arg(serial)
                                .arg(offset)
                                .arg(QString::fromLatin1(part)));
    }
    QJsonObject request;
    request["serial"] = serial;
    request["width"] = movie.width;
    request["height"] = movie.height;
    request["stopsItself"] = movie.stopsItself;
    request["pauseAfterSeconds"] = movie.pauseAfterSeconds;
    page->runJavaScript(
        QStringLiteral("gldLoad(%1);")
            .arg(QString::fromUtf8(QJsonDocument(request).toJson(QJsonDocument::Compact))));
}

void TFlashPlayer::Stop() {
    movieSent = true; // a movie still waiting for the player is dropped
    if (view && playerReady) view->page()->runJavaScript(QStringLiteral("gldStop();"));
    if (currentState == State::Loading || currentState == State::Playing)
        SetState(State::Finished);
    else if (currentState == State::Failed)
        SetState(State::Ready);
}

void TFlashPlayer::SetLook(const TPlayerLook& next) {
    look = next;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, look.background);
    pal.setColor(QPalette::WindowText, look.text);
    setPalette(pal);
    if (!view) return;
    view->page()->setBackgroundColor(look.background);
    if (playerReady) view->page()->runJavaScript(QStringLiteral("gldLook(%1);").arg(LookJson()));
}

void TFlashPlayer::OnPlayerReport(const QString& what, const QString& json) {
    if (currentState == State::Broken) return;
    const QJsonObject detail = QJsonDocument::fromJson(json.toUtf8()).object();
    if (what == QLatin1String("ready")) {
        playerReady = true;
        startTimeout->stop();
        placeholder->hide();
        if (!movieSent) {
            SendMovie();
            SetState(State::Loading);
        } else {
            SetState(State::Ready);
        }
        if (listener) listener->PlayerReady();
        return;
    }
    if (what == QLatin1String("unavailable")) {
        Break(detail.value("reason").toString(tr("The player could not be loaded.")));
        return;
    }
    // The rest answer one Load; answers to an earlier one are stale.
    const int answered = detail.value("serial").toInt(-1);
    if (answered != serial) return;
    if (what == QLatin1String("loading")) {
        failureReason_.clear();
        SetState(State::Loading);
    } else if (what == QLatin1String("loaded")) {
        SetState(State::Playing);
        emit movieStarted(answered);
        if (listener) listener->MovieStarted(answered);
    } else if (what == QLatin1String("finished") || what == QLatin1String("stopped")) {
        SetState(State::Finished);
        if (what == QLatin1String("finished")) {
            emit movieFinished(answered);
            if (listener) listener->MovieFinished(answered);
        }
    } else if (what == QLatin1String("failed")) {
        failureReason_ = detail.value("reason").toString();
        SetState(State::Failed);
        emit movieFailed(answered);
        if (listener) listener->MovieFailed(answered);
    }
}
