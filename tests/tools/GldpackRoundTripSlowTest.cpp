#include "GldpackRun.h"

namespace {

TEST_F(GldpackTest, MixedFolderRoundTrips) {
    std::filesystem::create_directory(dir / "in");
    const std::vector<std::pair<std::string, size_t>> files = {{"empty.ico", 0},
                                                               {"one.txt", 1},
                                                               {"page.gldp", 4096},
                                                               {"exact.swf", 409600},
                                                               {"multi.swf", 409600 * 2 + 7}};
    std::vector<std::string> args = {"-v", "create", dir / "out.pak"};
    uint32_t seed = 10;
    for (const auto& [name, size] : files) {
        WriteAll(dir / ("in/" + name), SampleBytes(size, seed++));
        args.push_back(dir / ("in/" + name));
    }
    TRun created = Run(args);
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_NE(created.out.find("ArchiveMan: File size = 409600 bytes  (Num blocks=1)"),
              std::string::npos);
    EXPECT_NE(created.out.find("ArchiveMan: Block 2 OK, (Raw size=7 Compressed= "),
              std::string::npos);
    EXPECT_NE(created.out.find("added 5 of 5 files"), std::string::npos);

    TRun listed = Run({"list", dir / "out.pak"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.out.find("5 entries"), std::string::npos);
    EXPECT_NE(listed.out.find(dir / "in/multi.swf"), std::string::npos);
    EXPECT_EQ(Lines(listed.out), 1u + 1 + 5 + 1);

    TRun tested = Run({"test", dir / "out.pak"});
    EXPECT_EQ(tested.status, 0) << tested.err;
    EXPECT_NE(tested.out.find("5 entries, 6 blocks, all intact"), std::string::npos) << tested.out;

    TRun extracted = Run({"extract", dir / "out.pak", dir / "x"});
    ASSERT_EQ(extracted.status, 0) << extracted.err;
    for (const auto& [name, size] : files) {
        EXPECT_EQ(ReadAll(dir / ("x/" + name)), ReadAll(dir / ("in/" + name))) << name;
        EXPECT_EQ(std::filesystem::file_size(dir / ("x/" + name)), size);
    }
    EXPECT_EQ(std::filesystem::last_write_time(dir / "x/one.txt").time_since_epoch().count() != 0,
              true);
    // The archive behind a stub is found by itself.
    std::vector<uint8_t> joined = SampleBytes(7777, 99);
    std::vector<uint8_t> pak = ReadAll(dir / "out.pak");
    joined.insert(joined.end(), pak.begin(), pak.end());
    WriteAll(dir / "Demo.scr", joined);
    TRun behind = Run({"list", dir / "Demo.scr"});
    EXPECT_EQ(behind.status, 0) << behind.err;
    EXPECT_NE(behind.out.find("archive at offset 7777"), std::string::npos) << behind.out;
    EXPECT_EQ(Run({"test", dir / "Demo.scr"}).status, 0);
}

} // namespace
