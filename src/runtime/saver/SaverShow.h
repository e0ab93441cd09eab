#pragma once
// The show itself: the package's movies on one or more players (one per screen), in the order
// the settings ask for, each for as long as they say. The first player sets the pace: a movie's
// time runs from the moment it starts there, and the others show the same movie.

#include "MoviePlayer.h"
#include "Playlist.h"
#include "SaverPackage.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class QTimer;

class TSaverShow : public QObject {
    Q_OBJECT
public:
    // The package's movies must have been read (ReadSaverMovies). seed: see TPlaylist.
    TSaverShow(const TSaverPackage& package, const TSaverSettings& settings, uint64_t seed,
               QObject* parent = nullptr);
    ~TSaverShow() override;

    // A player to show the movies on; not owned, and it must outlive the show.
    void AddPlayer(IMoviePlayer* player);
    // Shows the first movie.
    void Start();

    // The look every player of this show is made with.
    static TPlayerLook Look(const TSaverSettings& settings);
    // The background colour the settings name, for the windows around the players.
    static QColor Background(const TSaverSettings& settings);

    // The movie now showing, -1 before the first.
    int CurrentMovie() const { return current; }

signals:
    // The first player started the movie (an index into the package's movies).
    void movieShown(int index, const QString& name);
    // The first player could not play it; the show goes on with the next one.
    void movieFailed(int index, const QString& name);
    // A player cannot run at all.
    void broken(const QString& why);

private:
    class TListener;
    void ShowNext();
    void OnStarted(int serial);
    void OnFailed(int serial);

    const TSaverPackage& package;
    TSaverSettings settings;
    TPlaylist playlist;
    std::vector<IMoviePlayer*> players;
    std::vector<std::unique_ptr<TListener>> listeners;
    QTimer* switchTimer;
    int current = -1;
    int serial = -1; // the first player's serial of the movie now showing
};
