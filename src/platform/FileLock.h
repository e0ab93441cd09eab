#pragma once
// An advisory lock on a file for the length of a job: two programs (or two jobs in one
// program) that both lock the same file never work on it at the same time. It binds only those
// who ask for it, and the system drops it when the holder ends, however it ends.

#include <string>

class TFileLock {
public:
    // Opens path for locking; Opened() is false when it cannot be opened (a missing file has
    // nothing to protect).
    explicit TFileLock(const std::string& path);
    ~TFileLock();
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;

    bool Opened() const { return fd >= 0; }
    // Takes the lock when nobody holds it; false when someone else does.
    bool TryLock();
    bool Locked() const { return locked; }
    // Whether path still names the file this lock is on: a job that replaces its file by a
    // rename leaves a waiter holding the lock of a file nobody uses any more.
    bool StillNames(const std::string& path) const;
    void Unlock();

private:
    int fd = -1;
    bool locked = false;
};
