#include "SaverStage.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include <csignal>
#include <optional>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

#include <xcb/xcb.h>

namespace {

// How often the size of a foreign window is looked up: X tells only those who listen on that
// window, and Qt does not listen on windows it did not make.
constexpr int kFollowMs = 250;

// Taking the keyboard and mouse: tried this often, this many times.
constexpr int kGrabRetryMs = 100;
constexpr int kGrabTries = 100;

xcb_connection_t* XConnection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// The window's size, or nothing when it is gone.
std::optional<QSize> ForeignSize(uint32_t window) {
    xcb_connection_t* connection = XConnection();
    if (!connection) return std::nullopt;
    xcb_generic_error_t* error = nullptr;
    xcb_get_geometry_reply_t* reply =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), &error);
    free(error);
    if (!reply) return std::nullopt;
    const QSize size(reply->width, reply->height);
    free(reply);
    return size;
}

uint32_t RootWindow() {
    xcb_connection_t* connection = XConnection();
    if (!connection) return 0;
    const xcb_setup_t* setup = xcb_get_setup(connection);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
    return screens.rem ? screens.data->root : 0;
}

int signalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t wrote = ::write(signalPipe[1], &byte, 1);
    // Whatever the loop does, the process goes within two seconds.
    ::alarm(2);
}

void OnAlarm(int) {
    ::_exit(0);
}

} // namespace

void EndOnTerminationSignals() {
    if (signalPipe[0] >= 0) return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char byte;
        [[maybe_unused]] const ssize_t got = ::read(signalPipe[0], &byte, 1);
        QCoreApplication::exit(0);
    });
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    struct sigaction alarm = {};
    alarm.sa_handler = OnAlarm;
    sigemptyset(&alarm.sa_mask);
    ::sigaction(SIGALRM, &alarm, nullptr);
}

TSaverStage::TSaverStage(const TSaverRequest& request, const TPlayerLook& look,
                         const QString& title, const TPlayerFactory& make_player)
    : mode(request.mode) {
    TPlayerLook shown = look;
    switch (mode) {
    case TSaverMode::Run: {
        shown.hideCursor = true;
        QList<QScreen*> screens = QGuiApplication::screens();
        // The primary screen first: its player sets the pace of the show.
        if (QScreen* primary = QGuiApplication::primaryScreen()) {
            screens.removeAll(primary);
            screens.prepend(primary);
        }
        for (QScreen* screen : screens) {
            auto* window = new QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint |
                                                    Qt::WindowStaysOnTopHint);
            window->setWindowTitle(title);
            window->setGeometry(screen->geometry());
            window->setCursor(Qt::BlankCursor);
            MakeWindow(window, shown, make_player);
        }
        qApp->installEventFilter(this);
        break;
    }
    case TSaverMode::Window: {
        auto* window = new QWidget(nullptr, Qt::Window);
        window->setWindowTitle(title);
        window->resize(800, 600);
        MakeWindow(window, shown, make_player);
        break;
    }
    case TSaverMode::Root:
    case TSaverMode::WindowId:
        Embed(request.window, shown, make_player);
        break;
    case TSaverMode::Config:
        break;
    }
}

TSaverStage::~TSaverStage() {
    if (mode == TSaverMode::Run && qApp) qApp->removeEventFilter(this);
    players.clear();
    windows.clear();
    delete foreignWindow;
}

void TSaverStage::MakeWindow(QWidget* window, const TPlayerLook& look,
                             const TPlayerFactory& make_player) {
    windows.emplace_back(window);
    window->setAutoFillBackground(true);
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, look.background);
    window->setPalette(palette);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    IMoviePlayer* player = make_player(look, window);
    layout->addWidget(player->Widget());
    players.push_back(player);
}

void TSaverStage::Embed(uint32_t foreign, const TPlayerLook& look,
                        const TPlayerFactory& make_player) {
    if (!XConnection())
        throw std::runtime_error("Drawing into another program's window needs an X display.");
    foreignId = foreign ? foreign : RootWindow();
    const auto size = ForeignSize(foreignId);
    if (!size)
        throw std::runtime_error("The X window " + std::to_string(foreignId) + " does not exist.");
    // A plain native widget inside the foreign window, the player inside that: the player's
    // own window cannot be given a foreign parent directly.
    auto* host = new QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint);
    host->setAttribute(Qt::WA_NativeWindow);
    host->setGeometry(0, 0, size->width(), size->height());
    foreignWindow = QWindow::fromWinId(foreignId);
    MakeWindow(host, look, make_player);
    follow = new QTimer(this);
    connect(follow, &QTimer::timeout, this, &TSaverStage::FollowForeignWindow);
    follow->start(kFollowMs);
}

void TSaverStage::FollowForeignWindow() {
    const auto size = ForeignSize(foreignId);
    if (!size) {
        End(); // the window we drew in is gone, and so is our reason to run
        return;
    }
    QWidget* host = windows.front().get();
    if (host->size() != *size) host->setGeometry(0, 0, size->width(), size->height());
}

void TSaverStage::Show() {
    for (auto& window : windows) {
        if (mode == TSaverMode::Run)
            window->showFullScreen();
        else
            window->show();
    }
    if (foreignWindow) {
        // Showing a widget of its own places it on the desktop; only then does it move into
        // the foreign window, where it stays.
        QWidget* host = windows.front().get();
        host->windowHandle()->setParent(foreignWindow);
        host->move(0, 0);
    }
    if (mode == TSaverMode::Run && !windows.empty()) {
        // Where the mouse rests as the show begins; moving it away ends the show.
        firstMouse = QCursor::pos();
        mouseSeen = true;
        // Keys and the mouse belong to the show, on desktops without a window manager too.
        // A grab works only once the window is on screen, so it is tried until it holds.
        auto* grab = new QTimer(this);
        grab->start(kGrabRetryMs);
        connect(grab, &QTimer::timeout, this, [this, grab, tries = 0]() mutable {
            QWindow* window = windows.front()->windowHandle();
            if (!window || ++tries > kGrabTries) {
                grab->deleteLater();
                return;
            }
            window->requestActivate();
            if (window->isExposed() && window->setKeyboardGrabEnabled(true) &&
                window->setMouseGrabEnabled(true))
                grab->deleteLater();
        });
    }
}

void TSaverStage::End() {
    QCoreApplication::exit(0);
}

bool TSaverStage::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
        End();
        return true;
    case QEvent::MouseMove: {
        const QPoint at = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        if (!mouseSeen) {
            mouseSeen = true;
            firstMouse = at;
        } else if ((at - firstMouse).manhattanLength() > kMouseSlack) {
            End();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
