#include "FlashPreview.h"

#include "FlashPlayer.h"
#include "MovieBytes.h"

#include <QFile>
#include <QFileInfo>
#include <QVBoxLayout>

#include <vector>

namespace {

// A movie larger than this is not read into memory; the player then says it cannot play it.
constexpr qint64 kMaxMovieBytes = qint64(256) << 20;

std::vector<uint8_t> ReadMovieFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxMovieBytes) return {};
    const QByteArray bytes = file.readAll();
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

} // namespace

TFlashPreview::TFlashPreview(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // A media pane rather than a form: dark and neutral, so any movie's colours read well.
    TPlayerLook look;
    look.background = QColor(0x26, 0x26, 0x26);
    look.text = QColor(0xb8, 0xb8, 0xb8);
    look.idleHint = tr("Select a Flash file to play it here.");
    look.failedHint = tr("This file cannot be played.");
    look.detailsLabel = tr("What the player said");
    look.warmUp = true;
    player = new TFlashPlayer(look, this);
    layout->addWidget(player);
    connect(player, &TFlashPlayer::stateChanged, this, [this](TFlashPlayer::State state) {
        switch (state) {
        case TFlashPlayer::State::Starting:
            SetState(State::Starting);
            break;
        case TFlashPlayer::State::Ready:
            SetState(State::Ready);
            break;
        case TFlashPlayer::State::Loading:
            SetState(State::Loading);
            break;
        case TFlashPlayer::State::Playing:
            SetState(State::Playing);
            break;
        case TFlashPlayer::State::Finished:
            SetState(State::Finished);
            break;
        case TFlashPlayer::State::Failed:
            SetState(State::Failed);
            break;
        case TFlashPlayer::State::Broken:
            SetState(State::Unavailable);
            break;
        }
    });
    connect(player, &TFlashPlayer::movieStarted, this, [this](int started) {
        if (started == serial) emit movieLoaded(currentPath);
    });
}

TFlashPreview::~TFlashPreview() = default;

void TFlashPreview::SetState(State state) {
    if (state == currentState) return;
    currentState = state;
    emit stateChanged(state);
}

void TFlashPreview::LoadMovie(const QString& path) {
    currentPath = path;
    if (!player) return;
    const TPreparedMovie prepared =
        PrepareMovie(ReadMovieFile(path), QFileInfo(path).fileName(), true);
    serial = player->Load(prepared.movie);
}

QString TFlashPreview::failureReason() const {
    return player ? player->failureReason() : QString();
}

void TFlashPreview::Stop() {
    if (player) player->Stop();
}
