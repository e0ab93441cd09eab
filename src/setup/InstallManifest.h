#pragma once
// The record of one installation: every folder it created, every file it wrote and the entry it
// added to ~/.xscreensaver, so that removing it takes away exactly that.
//
// Kept as UTF-8 text, one record per line, fields separated by tabs; backslash, tab and line
// breaks inside a field are escaped, so any path can be recorded.

#include "InstallLocations.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TXScreenSaverEdit {
    std::string path;
    size_t offset = 0;
    std::string inserted;
    // The file as the installation left it: when it is still so, taking out the inserted
    // bytes gives the user's file back byte for byte.
    uint64_t size_after = 0;
    uint64_t hash_after = 0;
    // The entry's command, to find it again after the user or xscreensaver changed the file.
    std::string command;
};

struct TInstallManifest {
    std::string project_name;
    std::string version;
    TInstallScope scope = TInstallScope::User;
    std::string destination;
    std::string menu_folder;
    std::vector<std::string> folders; // in the order they were created
    std::vector<std::string> files;
    std::optional<TXScreenSaverEdit> xscreensaver;

    std::string Text() const;
    // Raises EInstallError when the text is not a manifest of ours.
    static TInstallManifest Parse(const std::string& text);
};

// FNV-1a over the bytes: enough to tell whether a file is still as we left it.
uint64_t ContentHash(const std::string& bytes);
