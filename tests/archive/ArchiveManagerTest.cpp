#include "ArchiveManagerUnit.h"
#include "ArchiveReaderUnit.h"
#include "ArchiveTestSupport.h"
#include "CompressErrors.h"
#include "FileErrors.h"
#include "FileWriter.h"
#include "Messages.h"
#include "ResourceCompUnit.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Records what the manager reports and answers its question from a queue.
class TRecordingObserver : public IArchiveObserver {
public:
    void EntrySkipped(const TArchiveDiagnostic& d) override { skipped.push_back(d); }
    void BlockDone(const std::string& entry, int64_t done, int64_t size) override {
        blocks.push_back(entry + " " + std::to_string(done) + "/" + std::to_string(size));
    }
    bool ConfirmCreate(const std::string& path) override {
        asked.push_back(path);
        bool yes = answers.empty() || answers.front();
        if (!answers.empty()) answers.erase(answers.begin());
        return yes;
    }
    std::vector<TArchiveDiagnostic> skipped;
    std::vector<std::string> blocks;
    std::vector<std::string> asked;
    std::vector<bool> answers;
};

class ArchiveManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        manager.observer = &observer;
        manager.OnAddLog = [this](TArchiveManager& sender, const std::string& line) {
            EXPECT_EQ(&sender, &manager);
            log.push_back(line);
        };
        manager.OnCentralDirChange = [this](TArchiveManager&) { log.push_back("<dir changed>"); };
    }

    std::string Make(const std::string& name, size_t size, uint32_t seed = 1) {
        std::string path = dir / name;
        WriteAll(path, SampleBytes(size, seed));
        return path;
    }

    TScratchFolder dir;
    TScriptedMessageBoxes boxes;
    TMessageBoxesScope scope{boxes};
    TArchiveManager manager;
    TRecordingObserver observer;
    std::vector<std::string> log;
};

TEST_F(ArchiveManagerTest, NameWithoutExtensionGetsRs) {
    EXPECT_EQ(TArchiveManager::ArchivePathFor("/d/pack"), "/d/pack.rs");
    EXPECT_EQ(TArchiveManager::ArchivePathFor("/d/pack."), "/d/pack.rs");
    EXPECT_EQ(TArchiveManager::ArchivePathFor("/d/pack.dat"), "/d/pack.dat");
    EXPECT_EQ(TArchiveManager::ArchivePathFor("/d.x/pack"), "/d.x/pack.rs");

    manager.OpenArchive(dir / "pack", false);
    EXPECT_EQ(manager.archive_path, dir / "pack.rs");
    EXPECT_EQ(manager.archive_name, "pack.rs");
    EXPECT_EQ(manager.archive_folder, dir.path + "/");
    manager.CloseArchive();
    EXPECT_EQ(ReadAll(dir / "pack.rs").size(), 16u);
}

TEST_F(ArchiveManagerTest, PackingTwoFilesLogsEveryStepInOrder) {
    std::string a = Make("a.swf", 409601);
    std::string b = Make("b.ico", 0);
    std::string t = dir / "t.pak";
    manager.OpenArchive(t, false);
    log.push_back("<added " + std::to_string(manager.AddFiles({a, b})) + ">");

    ASSERT_EQ(log.size(), 15u);
    EXPECT_EQ(log[0], "<dir changed>");
    EXPECT_EQ(log[1], "ArchiveMan: Archive Opened - " + t);
    EXPECT_EQ(log[2], "ArchiveMan: CentralDir Loaded");
    EXPECT_EQ(log[3], "ArchiveMan: Adding file - " + a);
    EXPECT_EQ(log[4], "ArchiveMan: File size = 409601 bytes  (Num blocks=2)");
    EXPECT_EQ(log[5].rfind("ArchiveMan: Block 0 OK, (Raw size=409600 Compressed= ", 0), 0u)
        << log[5];
    EXPECT_EQ(log[6].rfind("ArchiveMan: Block 1 OK, (Raw size=1 Compressed= ", 0), 0u) << log[6];
    EXPECT_EQ(log[7], "ArchiveMan: Adding file - " + b);
    EXPECT_EQ(log[8], "ArchiveMan: File size = 0 bytes  (Num blocks=0)");
    EXPECT_EQ(log[9], "ArchiveMan: Archive Closed - " + t);
    EXPECT_EQ(log[10], "<dir changed>");
    EXPECT_EQ(log[11], "ArchiveMan: Archive Opened - " + t);
    EXPECT_EQ(log[12], "ArchiveMan: CentralDir Loaded");
    EXPECT_EQ(log[13], "<dir changed>");
    EXPECT_EQ(log[14], "<added 2>");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(observer.blocks,
              (std::vector<std::string>{a + " 409600/409601", a + " 409601/409601"}));
    EXPECT_TRUE(observer.skipped.empty());
}

TEST_F(ArchiveManagerTest, AddingKeepsOldBlocksAndAppendsNewEntries) {
    std::string t = dir / "grow.pak";
    manager.OpenArchive(t, false);
    ASSERT_EQ(manager.AddFiles({Make("one.bin", 5000, 7), Make("two.bin", 409700, 8)}), 2);
    std::vector<uint8_t> before = ReadAll(t);
    uint32_t old_dir = Dword(before, before.size() - 4);
    manager.CloseArchive();

    TArchiveManager second;
    second.OpenArchive(t, false);
    ASSERT_EQ(second.archive->central_dir->Count(), 2);
    ASSERT_EQ(second.AddFiles({Make("three.bin", 3000, 9)}), 1);
    std::vector<uint8_t> after = ReadAll(t);

    // The old data area is copied byte for byte; the new entry's data starts where it ended.
    ASSERT_GT(after.size(), before.size());
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + old_dir, after.begin()));
    TCentralDir& cd = *second.archive->central_dir;
    ASSERT_EQ(cd.Count(), 3);
    EXPECT_EQ(cd[0]->StoredName(), dir / "one.bin");
    EXPECT_EQ(cd[1]->StoredName(), dir / "two.bin");
    EXPECT_EQ(cd[2]->StoredName(), dir / "three.bin");
    EXPECT_EQ(cd[0]->data_offset, 4u);
    EXPECT_EQ(cd[2]->data_offset, old_dir);
    auto reader = TArchiveReader::Open(t);
    EXPECT_NO_THROW(reader->TestAll());
}

TEST_F(ArchiveManagerTest, EmptyListLeavesTheArchiveUntouched) {
    std::string t = dir / "same.pak";
    manager.OpenArchive(t, false);
    manager.AddFiles({Make("x.bin", 100)});
    struct stat before, after;
    ASSERT_EQ(::stat(t.c_str(), &before), 0);
    std::vector<uint8_t> bytes = ReadAll(t);
    log.clear();
    EXPECT_EQ(manager.AddFiles({}), 0);
    ASSERT_EQ(::stat(t.c_str(), &after), 0);
    EXPECT_EQ(ReadAll(t), bytes);
    EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_TRUE(log.empty());
}

TEST_F(ArchiveManagerTest, MissingEmptyAndFolderEntriesAreSkippedSilently) {
    std::filesystem::create_directory(dir / "sub");
    std::string t = dir / "skip.pak";
    manager.OpenArchive(t, false);
    int added = manager.AddFiles(
        {Make("first.bin", 10), dir / "missing.bin", "", dir / "sub", Make("last.bin", 20)});
    EXPECT_EQ(added, 2);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(observer.skipped.empty());
    ASSERT_EQ(manager.archive->central_dir->Count(), 2);
    EXPECT_EQ((*manager.archive->central_dir)[1]->StoredName(), dir / "last.bin");
}

TEST_F(ArchiveManagerTest, EntryThatCannotBeOpenedIsReportedAndSkipped) {
    std::string fifo = dir / "pipe.swf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::string t = dir / "open.pak";
    manager.OpenArchive(t, false);
    EXPECT_EQ(manager.AddFiles({fifo, Make("ok.bin", 30)}), 1);
    EXPECT_TRUE(boxes.shown.empty()) << "the manager reports, the caller shows";
    ASSERT_EQ(observer.skipped.size(), 1u);
    EXPECT_EQ(observer.skipped[0].entry, fifo);
    EXPECT_EQ(observer.skipped[0].text, "Cannot open file: '" + fifo + "'.\rIt will not be added.");
    EXPECT_EQ(observer.skipped[0].caption, " Error");
    ASSERT_EQ(manager.archive->central_dir->Count(), 1);
    EXPECT_NO_THROW(TArchiveReader::Open(t)->TestAll());
}

// A sparse file gives the size without writing 2 GiB.
TEST_F(ArchiveManagerTest, FileOfTwoGibibytesIsRefusedWithAMessage) {
    std::string big = dir / "huge.swf";
    {
        std::FILE* f = std::fopen(big.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(::ftruncate(fileno(f), off_t(1) << 31), 0);
        std::fclose(f);
    }
    std::string t = dir / "big.pak";
    manager.OpenArchive(t, false);
    EXPECT_EQ(manager.AddFiles({big, Make("small.bin", 40)}), 1);
    ASSERT_EQ(observer.skipped.size(), 1u);
    EXPECT_NE(observer.skipped[0].text.find("2 GiB"), std::string::npos);
    EXPECT_NE(observer.skipped[0].text.find(big), std::string::npos);
    ASSERT_EQ(manager.archive->central_dir->Count(), 1);
    EXPECT_EQ((*manager.archive->central_dir)[0]->StoredName(), dir / "small.bin");
}

TEST_F(ArchiveManagerTest, ArchiveThatWouldOutgrowItsOffsetsIsRefusedAndLeftAsItWas) {
    std::string t = dir / "limit.pak";
    manager.OpenArchive(t, false);
    ASSERT_EQ(manager.AddFiles({Make("a.bin", 100)}), 1);
    std::vector<uint8_t> before = ReadAll(t);
    manager.size_limit = 300000;
    EXPECT_THROW(manager.AddFiles({Make("b.bin", 200000, 3)}), EArchiveTooLarge);
    EXPECT_EQ(ReadAll(t), before);
    EXPECT_EQ(manager.archive->central_dir->Count(), 1);
    EXPECT_EQ(dir.Names().size(), 3u) << "no temporary archive is left behind";
    // The manager stays usable.
    manager.size_limit = INT32_MAX;
    EXPECT_EQ(manager.AddFiles({dir / "b.bin"}), 1);
    EXPECT_NO_THROW(TArchiveReader::Open(t)->TestAll());
}

// Reading /proc/self/mem at offset 0 fails with an I/O error: the read fails after the open
// succeeded, as a failing disk would.
TEST_F(ArchiveManagerTest, ReadErrorIsNotMistakenForTheEndOfTheFile) {
    if (!std::filesystem::exists("/proc/self/mem")) GTEST_SKIP();
    std::string t = dir / "eio.pak";
    manager.OpenArchive(t, false);
    ASSERT_EQ(manager.AddFiles({Make("a.bin", 100)}), 1);
    std::vector<uint8_t> before = ReadAll(t);
    EXPECT_THROW(manager.AddFiles({Make("b.bin", 50), "/proc/self/mem"}), EInOutError);
    EXPECT_EQ(ReadAll(t), before);
    EXPECT_EQ(manager.archive->central_dir->Count(), 1);
}

class FailingMoveManager : public TArchiveManager {
protected:
    void MoveFileOver(const std::string&, const std::string&) override {
        throw std::runtime_error("disk said no");
    }
};

TEST_F(ArchiveManagerTest, FailedReplaceKeepsTheOldArchive) {
    std::string t = dir / "keep.pak";
    std::string a = Make("a.bin", 500);
    {
        TArchiveManager m;
        m.OpenArchive(t, false);
        m.AddFiles({a});
    }
    std::vector<uint8_t> before = ReadAll(t);
    FailingMoveManager failing;
    failing.OpenArchive(t, false);
    try {
        failing.AddFiles({Make("b.bin", 600)});
        FAIL() << "the failed move must be reported";
    } catch (const EInOutError& e) {
        EXPECT_NE(std::string(e.what()).find(t), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("disk said no"), std::string::npos);
    }
    EXPECT_EQ(ReadAll(t), before);
    ASSERT_TRUE(failing.archive);
    EXPECT_EQ(failing.archive->central_dir->Count(), 1);
    EXPECT_TRUE(observer.asked.empty()) << "no question about creating a new archive";
    EXPECT_EQ(dir.Names().size(), 3u) << "no temporary archive is left behind";
}

TEST_F(ArchiveManagerTest, DecliningToCreateRaisesUserCancelAndKeepsTheOpenArchive) {
    std::string first = dir / "first.pak";
    manager.OpenArchive(first, false);
    observer.answers = {false, true};
    try {
        manager.OpenArchive(dir / "nope.pak", true);
        FAIL();
    } catch (const EUserCancel& e) {
        EXPECT_STREQ(e.what(), "Create new archive cancelled");
    }
    EXPECT_EQ(observer.asked, std::vector<std::string>{dir / "nope.pak"});
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "nope.pak"));
    ASSERT_TRUE(manager.archive);
    EXPECT_EQ(manager.archive_path, first);

    manager.OpenArchive(dir / "nope.pak", true);
    EXPECT_EQ(ReadAll(dir / "nope.pak").size(), 16u);
    // Without an observer there is nobody to ask, and the archive is made.
    TArchiveManager quiet;
    quiet.OpenArchive(dir / "unasked.pak", true);
    EXPECT_EQ(ReadAll(dir / "unasked.pak").size(), 16u);
}

TEST_F(ArchiveManagerTest, OpeningAnotherArchiveClosesTheFirst) {
    manager.OpenArchive(dir / "one.pak", false);
    log.clear();
    manager.OpenArchive(dir / "two.pak", false);
    ASSERT_GE(log.size(), 1u);
    EXPECT_EQ(log[0], "ArchiveMan: Archive Closed - " + (dir / "one.pak"));
    EXPECT_EQ(manager.archive_path, dir / "two.pak");
}

TEST_F(ArchiveManagerTest, FileThatIsNotAnArchiveIsRefused) {
    WriteText(dir / "plain.pak", "this is not an archive at all");
    try {
        manager.OpenArchive(dir / "plain.pak", false);
        FAIL();
    } catch (const ESignatureWrong& e) {
        EXPECT_STREQ(e.what(), "Wrong Signature. Archive could be corrupted.");
    }
    EXPECT_FALSE(manager.archive);
}

TEST_F(ArchiveManagerTest, RelativeEntriesResolveAgainstTheGivenFolder) {
    std::filesystem::create_directory(dir / "in");
    WriteAll(dir / "in/rel.txt", SampleBytes(77, 3));
    std::filesystem::create_directory(dir / "out");
    manager.OpenArchive(dir / "out/r.pak", false);
    const auto here = std::filesystem::current_path();
    EXPECT_EQ(manager.AddFiles({"rel.txt"}, dir / "in"), 1);
    EXPECT_EQ((*manager.archive->central_dir)[0]->StoredName(), "rel.txt");
    EXPECT_EQ(std::filesystem::current_path(), here) << "the working folder never changes";
    EXPECT_THROW(manager.AddFiles({"rel.txt"}, dir / "no-such-folder"), EInOutError);
    EXPECT_EQ(std::filesystem::current_path(), here);
}

// The observer's BlockDone may raise to stop the work: the archive stays as it was and no
// temporary archive is left.
TEST_F(ArchiveManagerTest, RaisingFromTheObserverCancelsAndKeepsTheArchive) {
    struct TCancel : IArchiveObserver {
        void BlockDone(const std::string&, int64_t, int64_t) override {
            throw std::runtime_error("cancelled");
        }
    } cancel;
    std::string t = dir / "cancel.pak";
    manager.OpenArchive(t, false);
    ASSERT_EQ(manager.AddFiles({Make("a.bin", 100)}), 1);
    const std::vector<uint8_t> before = ReadAll(t);
    manager.observer = &cancel;
    EXPECT_THROW(manager.AddFiles({Make("b.bin", 5000, 2)}), std::runtime_error);
    EXPECT_EQ(ReadAll(t), before);
    EXPECT_EQ(manager.archive->central_dir->Count(), 1);
    EXPECT_EQ(dir.Names().size(), 3u) << "no temporary archive is left behind";
}

TEST(ResourceComponent, PublishesTheManagersEvents) {
    TScratchFolder dir;
    TResource resource;
    std::vector<std::string> lines;
    TArchiveManager* sender = nullptr;
    resource.OnAddLog() = [&](TArchiveManager& s, const std::string& l) {
        sender = &s;
        lines.push_back(l);
    };
    int changes = 0;
    resource.OnCentralDirChange() = [&](TArchiveManager&) { ++changes; };
    resource.manager->OpenArchive(dir / "r.pak", false);
    EXPECT_EQ(sender, resource.manager.get());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(lines.size(), 2u);
}

TEST_F(ArchiveManagerTest, AddingKeepsTheArchivesModeAndWritesThroughALink) {
    namespace fs = std::filesystem;
    fs::create_directories(dir / "real");
    const std::string target = dir / "real/pack.pak";
    manager.OpenArchive(target, false);
    ASSERT_EQ(manager.AddFiles({Make("a.bin", 100)}), 1);
    manager.CloseArchive();
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(target, dir / "link.pak");

    TArchiveManager through;
    through.OpenArchive(dir / "link.pak", false);
    ASSERT_EQ(through.AddFiles({Make("b.bin", 200, 2)}), 1);
    EXPECT_EQ(through.archive->central_dir->Count(), 2);
    through.CloseArchive();
    EXPECT_TRUE(fs::is_symlink(dir / "link.pak"));
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    auto reader = TArchiveReader::Open(target);
    EXPECT_EQ(reader->Entries().size(), 2u);
    EXPECT_NO_THROW(reader->TestAll());
    EXPECT_EQ(fs::directory_iterator(dir / "real")->path().filename(), "pack.pak")
        << "the temporary archive went beside the target and away again";
}

TEST_F(ArchiveManagerTest, CreatingIsExclusiveAndNeverFollowsALink) {
    namespace fs = std::filesystem;
    WriteText(dir / "victim", "precious");
    fs::create_symlink(dir / "victim", dir / "planted.pak");
    EXPECT_THROW(manager.CreateArchive(dir / "planted.pak", 0600), EArchiveExists);
    WriteText(dir / "taken.pak", "somebody's");
    EXPECT_THROW(manager.CreateArchive(dir / "taken.pak", 0600), EArchiveExists);
    EXPECT_EQ(ReadAll(dir / "victim"), std::vector<uint8_t>(Text("precious")));
    EXPECT_EQ(ReadAll(dir / "taken.pak"), std::vector<uint8_t>(Text("somebody's")));
    EXPECT_FALSE(manager.archive);

    manager.CreateArchive(dir / "mine.pak", 0600);
    EXPECT_EQ(std::filesystem::status(dir / "mine.pak").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_EQ(manager.AddFiles({Make("a.bin", 100)}), 1);
    EXPECT_EQ(std::filesystem::status(dir / "mine.pak").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
}

// A zero byte ends the name for the system but not for the directory, which would store the
// whole name and lose its records after it.
TEST_F(ArchiveManagerTest, ANameWithAZeroByteIsSkippedWithAReason) {
    const std::string a = Make("a.swf", 100);
    const std::string b = Make("b.swf", 100, 2);
    manager.OpenArchive(dir / "z.pak", false);
    EXPECT_EQ(manager.AddFiles({a + std::string("\0/x.swf", 7), b}), 1);
    ASSERT_EQ(observer.skipped.size(), 1u);
    EXPECT_NE(observer.skipped[0].text.find("zero byte"), std::string::npos);
    EXPECT_NE(observer.skipped[0].text.find("\\x00"), std::string::npos);
    auto reader = TArchiveReader::Open(dir / "z.pak");
    ASSERT_EQ(reader->Entries().size(), 1u);
    EXPECT_EQ(reader->Entries()[0].stored_name, b);
}

TEST_F(ArchiveManagerTest, MoreEntriesThanReadersAcceptAreRefusedBeforeAnythingIsWritten) {
    const std::string a = Make("a.swf", 10);
    manager.OpenArchive(dir / "full.pak", false);
    const std::vector<uint8_t> before = ReadAll(dir / "full.pak");
    EXPECT_THROW(manager.AddFiles(std::vector<std::string>(MAX_ARCHIVE_ENTRIES + 1, a)),
                 EArchiveTooLarge);
    EXPECT_EQ(ReadAll(dir / "full.pak"), before);
    EXPECT_EQ(dir.Names().size(), 2u);
    EXPECT_TRUE(log.size() == 3u) << "no entry was started";
}

// A disk that fills up at any point of an add: the add fails, the archive and its directory
// stay as they were, no temporary archive is left, and the next add works.
TEST_F(ArchiveManagerTest, AFullDiskAtAnyPointLeavesTheArchiveAsItWas) {
    const std::string t = dir / "full.pak";
    manager.OpenArchive(t, false);
    ASSERT_EQ(manager.AddFiles({Make("a.bin", 3000)}), 1);
    const std::vector<uint8_t> before = ReadAll(t);
    const std::string b = Make("b.bin", 409600 + 7000, 2);
    for (uint64_t budget : {uint64_t(0), uint64_t(3), uint64_t(100), uint64_t(70000),
                            uint64_t(300000), uint64_t(340000)}) {
        {
            TFailingFileWriter full(budget);
            TFileWriterScope scope(full);
            EXPECT_ANY_THROW(manager.AddFiles({b})) << budget;
        }
        EXPECT_EQ(ReadAll(t), before) << budget;
        EXPECT_EQ(manager.archive->central_dir->Count(), 1) << budget;
        EXPECT_EQ(dir.Names().size(), 3u) << budget;
    }
    ASSERT_EQ(manager.AddFiles({b}), 1);
    EXPECT_NO_THROW(TArchiveReader::Open(t)->TestAll());
}

// Threads running in this process now.
size_t ThreadsRunning() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/task"))
        ++count;
    return count;
}

// Blocks coded on several threads are written in order: the archive, the log and every report
// are those of one thread, also around entries that are skipped, empty or end in a short block.
TEST_F(ArchiveManagerTest, EveryThreadCountWritesTheSameArchiveAndReportsInTheSameOrder) {
    std::filesystem::create_directory(dir / "sub");
    const std::string fifo = dir / "pipe.swf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::vector<std::string> files = {Make("two.bin", 409600 + 3000, 1),
                                            fifo,
                                            Make("empty.bin", 0),
                                            Make("one.bin", 5000, 2),
                                            dir / "sub",
                                            Make("three.bin", 2 * 409600 + 1, 3),
                                            Make("last.bin", 1, 4)};
    struct TRun {
        std::vector<uint8_t> archive;
        std::vector<std::string> log, blocks, skipped;
        size_t threads_seen = 0;
    };
    auto run = [&](int threads) {
        TRun r;
        TArchiveManager m;
        struct TWatch : TRecordingObserver {
            size_t seen = 0;
            void BlockDone(const std::string& entry, int64_t done, int64_t size) override {
                seen = std::max(seen, ThreadsRunning());
                TRecordingObserver::BlockDone(entry, done, size);
            }
        } watch;
        m.observer = &watch;
        m.threads = threads;
        m.OnAddLog = [&](TArchiveManager&, const std::string& line) { r.log.push_back(line); };
        const std::string t = dir / ("j" + std::to_string(threads) + ".pak");
        m.OpenArchive(t, false);
        EXPECT_EQ(m.AddFiles(files), 5) << threads;
        m.CloseArchive();
        r.archive = ReadAll(t);
        for (std::string& line : r.log)
            if (line.find(t) != std::string::npos) line = "<names the archive>";
        r.blocks = watch.blocks;
        for (const TArchiveDiagnostic& d : watch.skipped)
            r.skipped.push_back(d.entry + ": " + d.text);
        r.threads_seen = watch.seen;
        return r;
    };
    const size_t before = ThreadsRunning();
    const TRun one = run(1);
    EXPECT_EQ(one.threads_seen, before) << "one thread codes on the caller's thread";
    EXPECT_EQ(one.blocks.size(), 7u);
    EXPECT_EQ(one.skipped.size(), 1u);
    for (int threads : {2, 3, 8}) {
        const TRun many = run(threads);
        EXPECT_TRUE(many.archive == one.archive) << threads << " threads";
        EXPECT_EQ(many.log, one.log) << threads << " threads";
        EXPECT_EQ(many.blocks, one.blocks) << threads << " threads";
        EXPECT_EQ(many.skipped, one.skipped) << threads << " threads";
        EXPECT_EQ(many.threads_seen, before + size_t(threads)) << "a worker per thread";
    }
    EXPECT_NO_THROW(TArchiveReader::Open(dir / "j1.pak")->TestAll());
}

// A failure while blocks are in flight (a cancel, a full disk) ends the add the same way with
// any number of threads: nothing changes, nothing is left behind, and the next add works.
TEST_F(ArchiveManagerTest, AFailureWithBlocksInFlightLeavesTheArchiveAsItWas) {
    struct TCancelAt : IArchiveObserver {
        int left = 0;
        void BlockDone(const std::string&, int64_t, int64_t) override {
            if (--left == 0) throw std::runtime_error("cancelled");
        }
    } cancel;
    const std::string t = dir / "flight.pak";
    manager.threads = 3;
    manager.OpenArchive(t, false);
    ASSERT_EQ(manager.AddFiles({Make("a.bin", 100)}), 1);
    const std::vector<uint8_t> before = ReadAll(t);
    const std::vector<std::string> files = {Make("b.bin", 3 * 409600, 2), Make("c.bin", 9000, 3),
                                            Make("d.bin", 409600 + 1, 4)};
    manager.observer = &cancel;
    for (int at : {1, 3, 5}) {
        cancel.left = at;
        EXPECT_THROW(manager.AddFiles(files), std::runtime_error) << at;
        EXPECT_EQ(ReadAll(t), before) << at;
        EXPECT_EQ(manager.archive->central_dir->Count(), 1) << at;
        EXPECT_EQ(dir.Names().size(), 5u) << at << ": no temporary archive is left behind";
    }
    for (uint64_t budget : {uint64_t(50000), uint64_t(500000)}) {
        TFailingFileWriter full(budget);
        TFileWriterScope scope(full);
        EXPECT_ANY_THROW(manager.AddFiles(files)) << budget;
    }
    EXPECT_EQ(ReadAll(t), before);
    cancel.left = -1;
    ASSERT_EQ(manager.AddFiles(files), 3);
    EXPECT_NO_THROW(TArchiveReader::Open(t)->TestAll());
}

} // namespace
