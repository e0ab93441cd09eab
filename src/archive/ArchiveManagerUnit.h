#pragma once
// The archive manager: opens or creates one package archive and adds lists of files to it.
//
// Adding never changes the open archive in place. The new content (old data area, new data
// blocks, complete directory) is built in a temporary archive beside the old one, which is then
// moved over it in one rename, so the archive on disk is always either the old or the new one.

#include "ArchiveFileUnit.h"
#include "FileErrors.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <sys/types.h>

class TArchiveManager;
class TBlockLine;
class TFileStream;

// One entry of AddFiles that was left out, in the words of the box the program shows for it.
struct TArchiveDiagnostic {
    std::string entry;   // as it was listed
    std::string text;    // the box's text
    std::string caption; // the box's caption
};

// What the archive manager has to tell its user while it works, besides the log lines of
// OnAddLog. The manager never shows a box or waits for an answer itself: a window turns these
// calls into its boxes, in the order they come, a command-line tool into lines on stderr.
// Every method has a default, so an observer overrides only what it shows. The calls come on
// the thread that runs the manager.
class IArchiveObserver {
public:
    virtual ~IArchiveObserver() = default;
    // An entry of AddFiles was left out; the other entries go on.
    virtual void EntrySkipped(const TArchiveDiagnostic& diagnostic) { (void)diagnostic; }
    // One more data block of entry is in the archive: done of its size raw bytes. Raising here
    // ends AddFiles as any failure does (the archive stays as it was), which is how a caller
    // cancels.
    virtual void BlockDone(const std::string& entry, int64_t done, int64_t size) {
        (void)entry, (void)done, (void)size;
    }
    // OpenArchive was asked to confirm before creating the missing archive at path; false
    // raises EUserCancel and creates nothing. The default creates it.
    virtual bool ConfirmCreate(const std::string& path) {
        (void)path;
        return true;
    }
};

using TStrEvent = std::function<void(TArchiveManager& sender, const std::string& text)>;
using TArchiveNotifyEvent = std::function<void(TArchiveManager& sender)>;

// The user declined to create a missing archive.
class EUserCancel : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// CreateArchive found something under the name already: nothing was opened or changed.
class EArchiveExists : public EFCreateError {
public:
    using EFCreateError::EFCreateError;
};

// The archive would outgrow the 32-bit signed offsets of its format, or hold more entries than
// readers accept.
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
    // with ask_to_create the observer is asked first and a refusal raises EUserCancel. An
    // archive that is already open is closed once the new one is open.
    void OpenArchive(const std::string& file_name, bool ask_to_create);
    // Creates a new, empty archive at file_name (with the ".rs" naming rule) and opens it. The
    // file is created exclusively, without following a link, with the permission bits of mode
    // (less the umask): a name that is taken raises EArchiveExists and touches nothing. An
    // archive that is already open is closed once the new one is open.
    void CreateArchive(const std::string& file_name, mode_t mode = 0666);
    void CloseArchive();
    // Compresses every usable entry into the archive; returns how many were added. Relative
    // entries are read from folder when it is given, else from the current directory; either
    // way the entry is stored exactly as listed, and the current directory never changes.
    //
    // The new archive is built beside the old one (beside a link's target, when the archive was
    // opened through a link) and moved over it in one step, with the old one's permission bits;
    // the open archive is then the new file itself, not reopened by name. A list that would
    // make the archive hold more than MAX_ARCHIVE_ENTRIES entries raises EArchiveTooLarge
    // before anything is written.
    int AddFiles(const std::vector<std::string>& files, const std::string& folder = "");
    void DoCentralDirChange();
    // Hands every byte of the open archive to sink, in order, from the open file itself.
    void ReadWholeArchive(const std::function<void(const uint8_t* data, size_t size)>& sink);

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
    // Receives skipped entries, block progress and the question before creating; may be unset.
    IArchiveObserver* observer = nullptr;

    // Largest archive length the signed 32-bit offsets can describe; tests lower it.
    int64_t size_limit = INT32_MAX;
    // Blocks coded at once by AddFiles, one encoder per thread; 0 or less means one per core.
    // The archive's bytes are the same whatever the number.
    int threads = 1;

protected:
    std::unique_ptr<TArchiveFile> CreateTempArchive();
    void CopyArchiveData(TArchiveFile& source, TArchiveFile& target, TCentralDir& source_dir);
    // Reads the entry from input into blocks for line, which codes them and writes them to
    // temp behind the blocks before them.
    void CompressFile(TBlockLine& line, const std::string& entry, TCentralFileHeader& header,
                      TArchiveFile& temp, TFileStream& input);
    // Gives the finished temporary archive the old one's permission bits and moves it over the
    // old one; raises EInOutError, leaving the old archive as it was, when it cannot.
    void PutInPlace(TArchiveFile& temp);
    // Closes the old archive and opens the temporary one, now in its place, from its open file.
    void ReplaceArchive(std::unique_ptr<TArchiveFile> temp);
    // Moves the finished temporary archive over the old one in one step; raises on failure.
    // A seam, so that tests can make the move fail.
    virtual void MoveFileOver(const std::string& from, const std::string& to);

private:
    void Adopt(std::unique_ptr<TArchiveFile> opened, const std::string& path);
    // The file the archive's path leads to: the path itself, or a link's target.
    std::string replace_path;
};
