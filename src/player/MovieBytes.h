#pragma once
// Turns a movie's file into what a player is given: the whole movie uncompressed, with a stop
// action on its last frame when it is to play once, and the facts its header tells (frame
// size, frame count and rate). The authoring program's preview and the screensaver runtime
// prepare movies alike, so both play them alike.

#include "MoviePlayer.h"

#include <cstdint>
#include <optional>
#include <vector>

struct TMovieFacts {
    int width = 0; // frame size in pixels
    int height = 0;
    int frames = 0;
    double rate = 0; // frames per second
    bool actionScript3 = false;
};

// The movie for the player, and its facts when the bytes are a movie this program can read.
struct TPreparedMovie {
    TPlayerMovie movie;
    std::optional<TMovieFacts> facts;
};

// play_once: rest on the last frame instead of looping (a stop action for movies that run
// frame actions, a pause when the last frame is due for the rest). Bytes that are no movie
// this program can read are handed over as they are, for the player to decide.
TPreparedMovie PrepareMovie(const std::vector<uint8_t>& file, const QString& name, bool play_once);

// Whether the bytes are a Flash movie whose header can be read (signature, frame rectangle,
// frame count), compressed or not.
std::optional<TMovieFacts> ReadMovieFacts(const std::vector<uint8_t>& file);
