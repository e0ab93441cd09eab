#pragma once
// A small disk of its own for whole-program tests of a full disk: a fresh folder with a tmpfs
// of the given size mounted on it, unmounted and removed at the end. A program pointed at it
// meets a real ENOSPC, in any process, at whatever point it runs out of room.
//
// Mounting needs root (CAP_SYS_ADMIN). Where it is not permitted Mounted() is false and
// Reason() says why; the test then skips:
//
//     TSmallDisk disk(64 * 1024);
//     if (!disk.Mounted()) GTEST_SKIP() << disk.Reason();

#include <cstdint>
#include <string>

class TSmallDisk {
public:
    explicit TSmallDisk(uint64_t bytes);
    ~TSmallDisk();
    TSmallDisk(const TSmallDisk&) = delete;
    TSmallDisk& operator=(const TSmallDisk&) = delete;

    bool Mounted() const { return mounted; }
    const std::string& Reason() const { return reason; }
    // The disk's root folder, without a trailing separator.
    const std::string& Path() const { return path; }
    std::string operator/(const std::string& name) const { return path + "/" + name; }

    uint64_t FreeBytes() const;
    // Takes up room with a filler file until at most leave_free bytes are free, so that the
    // next writes fail part-way.
    void Fill(uint64_t leave_free = 0);

private:
    std::string path;
    std::string reason;
    bool mounted = false;
};
