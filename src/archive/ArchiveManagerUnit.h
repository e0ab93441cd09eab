#pragma once
// The archive manager: opens or creates one package archive and adds lists of files to it.
//
// Adding never changes the open archive in place. The new content (old data area, new data
// blocks, complete directory) is built in a temporary archive beside the old one, which is then
// moved over it in one rename, so the archive on disk is always either the old or the new one.

#include "ArchiveFileUnit.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class TArchiveManager;
class TCompressor;

using TStrEvent = std::function<void(TArchiveManager& sender, const std::string& text)>;
using TArchiveNotifyEvent = std::function<void(TArchiveManager& sender)>;

// The user declined to create a missing archive.
class EUserCancel : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The archive would outgrow the 32-bit signed offsets of its format.
class EArchiveTooLarge : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TArchiveManager {
public:
    TArchiveManager();
    virtual ~TArchiveManager();
    TArchiveManager(const TArchiveManager&) = delete;
    TArchiveManager& operator=(const TArchiveManager&) = delete;

    virtual void ShowStatus(const std::string& text);
    virtual void AddLog(const std::string& text);

    // Opens the archive at file_name (with the ".rs" naming rule), creating it when missing;
    // with ask_to_create the user is asked first and a refusal raises EUserCancel. An archive
    // that is already open is closed once the new one is open.
    void OpenArchive(const std::string& file_name, bool ask_to_create);
    void CloseArchive();
    // Compresses every usable entry into the archive; returns how many were added. Relative
    // entries are resolved against folder when it is given, else the current directory.
    int AddFiles(const std::vector<std::string>& files, const std::string& folder = "");
    void DoCentralDirChange();

    // The full path OpenArchive uses for file_name: a name part without any "." gets ".rs",
    // one ending in "." gets "rs".
    static std::string ArchivePathFor(const std::string& file_name);

    int64_t file_size = 0;
    TArchiveNotifyEvent OnCentralDirChange;
    std::unique_ptr<TArchiveFile> archive;
    std::string archive_folder;
    std::string archive_name;
    std::string archive_path;
    TStrEvent OnAddLog;

    // Largest archive length the signed 32-bit offsets can describe; tests lower it.
    int64_t size_limit = INT32_MAX;

protected:
    std::string MakeTempFileName();
    std::unique_ptr<TArchiveFile> CreateTempArchive();
    void CopyArchiveData(TArchiveFile& source, TArchiveFile& target, TCentralDir& source_dir);
    void CompressFile(const std::string& entry, TCentralFileHeader& header, TArchiveFile& temp);
    void ReplaceArchive(std::unique_ptr<TArchiveFile> temp);
    // Moves the finished temporary archive over the old one in one step; raises on failure.
    // A seam, so that tests can make the move fail.
    virtual void MoveFileOver(const std::string& from, const std::string& to);

private:
    std::unique_ptr<TCompressor> compressor;
};
