#include "SaverShow.h"

#include "Colors.h"

#include <QGuiApplication>
#include <QPalette>
#include <QTimer>

namespace {

// After a movie that cannot be played, the next one follows after this pause, so a show of
// nothing but broken movies does not spin.
constexpr int kAfterFailureMs = 1000;

// The desktop colours a project may name by their system index.
QColor SystemColour(uint8_t index) {
    const QPalette palette = QGuiApplication::palette();
    switch (index) {
    case 1:  // background (the desktop)
    case 12: // application workspace
        return palette.color(QPalette::Dark);
    case 5: // window
        return palette.color(QPalette::Base);
    case 8:  // window text
    case 18: // button text
    case 7:  // menu text
        return palette.color(QPalette::Text);
    case 13: // highlight
    case 29: // menu highlight
        return palette.color(QPalette::Highlight);
    case 14: // highlight text
        return palette.color(QPalette::HighlightedText);
    case 24: // info background
        return palette.color(QPalette::ToolTipBase);
    case 23: // info text
        return palette.color(QPalette::ToolTipText);
    case 17: // grey text
        return palette.color(QPalette::PlaceholderText);
    default: // faces, borders and captions
        return palette.color(QPalette::Button);
    }
}

} // namespace

class TSaverShow::TListener : public IMoviePlayerListener {
public:
    TListener(TSaverShow& show, bool leads) : show(show), leads(leads) {}
    void MovieStarted(int serial) override {
        if (leads) show.OnStarted(serial);
    }
    void MovieFailed(int serial) override {
        if (leads) show.OnFailed(serial);
    }
    void PlayerBroken(const QString& why) override { emit show.broken(why); }

private:
    TSaverShow& show;
    bool leads;
};

TSaverShow::TSaverShow(const TSaverPackage& package, const TSaverSettings& settings, uint64_t seed,
                       QObject* parent)
    : QObject(parent), package(package), settings(settings),
      playlist(static_cast<int>(package.movies.size()), settings.runType == 1, seed),
      switchTimer(new QTimer(this)) {
    switchTimer->setSingleShot(true);
    connect(switchTimer, &QTimer::timeout, this, &TSaverShow::ShowNext);
}

TSaverShow::~TSaverShow() {
    for (IMoviePlayer* player : players)
        player->SetListener(nullptr);
}

QColor TSaverShow::Background(const TSaverSettings& settings) {
    const uint32_t colour = settings.backgroundColor;
    if (IsSystemColor(colour)) return SystemColour(SystemColorIndex(colour));
    if (colour & 0xFF000000u) // clNone, clDefault and the like: no colour of their own
        return Qt::black;
    return QColor(ColorRed(colour), ColorGreen(colour), ColorBlue(colour));
}

TPlayerLook TSaverShow::Look(const TSaverSettings& settings) {
    TPlayerLook look;
    look.background = Background(settings);
    look.fit = settings.displayStyle == 1 ? TPlayerFit::ShowAll : TPlayerFit::OriginalSize;
    look.mute = settings.mute;
    return look;
}

void TSaverShow::AddPlayer(IMoviePlayer* player) {
    listeners.push_back(std::make_unique<TListener>(*this, players.empty()));
    player->SetListener(listeners.back().get());
    players.push_back(player);
}

void TSaverShow::Start() {
    ShowNext();
}

void TSaverShow::ShowNext() {
    switchTimer->stop();
    if (package.movies.empty() || players.empty()) return;
    current = playlist.Next();
    const TSaverMovie& movie = package.movies[static_cast<size_t>(current)];
    // Waiting for the last frame: the movie rests on it instead of starting over meanwhile.
    const TPreparedMovie prepared =
        PrepareMovie(movie.bytes, QString::fromStdString(movie.name), settings.switchType == 0);
    for (size_t i = 0; i < players.size(); ++i) {
        const int given = players[i]->Load(prepared.movie);
        if (i == 0) serial = given;
    }
}

void TSaverShow::OnStarted(int started) {
    if (started != serial || current < 0) return;
    const TSaverMovie& movie = package.movies[static_cast<size_t>(current)];
    const double seconds =
        ShowSeconds(settings.switchType, settings.interval, movie.facts.frames, movie.facts.rate);
    switchTimer->start(static_cast<int>(std::min(seconds * 1000.0, 2.0e9)));
    emit movieShown(current, QString::fromStdString(movie.name));
}

void TSaverShow::OnFailed(int failed) {
    if (failed != serial || current < 0) return;
    emit movieFailed(current,
                     QString::fromStdString(package.movies[static_cast<size_t>(current)].name));
    switchTimer->start(kAfterFailureMs);
}
