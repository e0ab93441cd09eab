// The largest archive readers accept, every entry of one name: each repeat finds its number at
// once, so the whole archive takes about as long as as many distinct names would.

#include "ArchiveExtractorUnit.h"
#include "ArchiveTestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(ArchiveExtractorSlow, SixtyFiveThousandEqualNamesAllArrive) {
    TScratchFolder dir("/dev/shm");
    std::vector<TCraftedEntry> entries(MAX_ARCHIVE_ENTRIES, TCraftedEntry{"/x/m.swf", {}});
    entries.back().data = Text("last");
    WriteAll(dir / "many.pak", CraftArchive(entries));
    auto reader = TArchiveReader::Open(dir / "many.pak");
    TArchiveExtractor extractor(*reader, dir / "out");
    const auto written = extractor.ExtractAll([](size_t, const std::string& m) { FAIL() << m; });
    ASSERT_EQ(written.size(), MAX_ARCHIVE_ENTRIES);
    EXPECT_EQ(written[1].name, "m (2).swf");
    EXPECT_EQ(written.back().name, "m (65536).swf");
    EXPECT_EQ(ReadAll(dir / "out/m (65536).swf"), Text("last"));
}

} // namespace
