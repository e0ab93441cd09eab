#pragma once
// The order in which the screensaver shows its movies.
//
// In order: the project's order, round after round. At random: every round shows every movie
// exactly once in a fresh order, and no movie shows twice in a row, not even where one round
// ends and the next begins (given two movies or more).

#include <cstdint>
#include <random>
#include <vector>

class TPlaylist {
public:
    // count movies (at least 1); seed makes a random order repeatable for tests.
    TPlaylist(int count, bool random, uint64_t seed = std::random_device{}());

    // The index of the movie to show next.
    int Next();

private:
    void NewRound();

    int count;
    bool random;
    std::mt19937_64 generator;
    std::vector<int> round;
    size_t position = 0;
    int last = -1;
};

// How long a movie shows before the next one, in seconds: the interval when switching by
// interval; otherwise the time its frames take to play once (frame count / frame rate), with
// a floor, and a still's time for a movie of one frame (or no usable rate), which would
// otherwise vanish at once.
double ShowSeconds(int switch_type, int interval, int frames, double rate);

inline constexpr double kShortestShowSeconds = 1.0;
inline constexpr double kStillShowSeconds = 10.0;
