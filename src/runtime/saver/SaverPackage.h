#pragma once
// What a screensaver finds in the archive behind itself: its project file (identity, default
// settings and the list of its movies) and the movies, each checked to be a Flash movie.
//
// Entries carry the paths of the building machine. The project file is the last entry whose
// name ends in ".gldp"; each movie the project lists is looked up by its path, then by its
// name, taking the entries in order so that a movie listed twice finds both copies.

#include "MovieBytes.h"
#include "SaverSettings.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class TRuntimeArchive;

// A package the screensaver cannot play; the message is for the end user.
class ESaverPackage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TSaverMovie {
    std::string name;           // the name part of its path
    size_t entry = 0;           // its entry in the archive
    std::vector<uint8_t> bytes; // the movie's file, once read
    TMovieFacts facts;
};

struct TSaverPackage {
    std::string projectName;
    std::string version;
    std::string author;
    std::string email;
    std::string homepage;
    std::vector<uint8_t> icon; // the icon file's bytes; empty when the project has none
    bool enableUserModify = true;
    TSaverSettings settings; // the project's defaults
    std::vector<TSaverMovie> movies;
};

// Reads the project file and finds the entry of every movie it lists, reading no movie yet.
// Raises ESaverPackage for a missing project file, a project without movies or a listed movie
// missing from the archive, and EArchiveDamaged for damaged data.
TSaverPackage ReadSaverPackage(TRuntimeArchive& archive);

// The settings to play with: the project's, with the end user's stored choices over them when
// the project lets end users change its settings.
TSaverSettings SettingsToPlay(const TSaverPackage& package);

// Reads every movie of the package (expanding and checking its blocks) and reads its facts.
// Raises ESaverPackage for one that is no movie, and EArchiveDamaged for damaged data.
void ReadSaverMovies(TRuntimeArchive& archive, TSaverPackage& package);
