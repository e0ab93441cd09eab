#include "Playlist.h"

#include <algorithm>
#include <numeric>

TPlaylist::TPlaylist(int count, bool random, uint64_t seed)
    : count(std::max(count, 1)), random(random), generator(seed) {}

void TPlaylist::NewRound() {
    round.resize(static_cast<size_t>(count));
    std::iota(round.begin(), round.end(), 0);
    position = 0;
    if (!random) return;
    std::shuffle(round.begin(), round.end(), generator);
    // The round must not open with the movie that closed the last one: trade it for one of
    // the others, picked at random so no position is favoured.
    if (count > 1 && round.front() == last) {
        std::uniform_int_distribution<size_t> pick(1, round.size() - 1);
        std::swap(round.front(), round[pick(generator)]);
    }
}

int TPlaylist::Next() {
    if (position >= round.size()) NewRound();
    last = round[position++];
    return last;
}

double ShowSeconds(int switch_type, int interval, int frames, double rate) {
    if (switch_type == 1) return std::max(interval, 1);
    if (frames <= 1 || !(rate > 0)) return kStillShowSeconds;
    return std::max(frames / rate, kShortestShowSeconds);
}
