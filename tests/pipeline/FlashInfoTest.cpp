#include "FlashInfo.h"

#include "FileErrors.h"
#include "SwfGen.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class FlashInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("gld-flashinfo-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    std::string Movie(const std::string& name, const TSwfParams& params) {
        return Write(name, MakeSwf(params));
    }

    fs::path folder;
};

TSwfParams Params(int width, int height, int nbits, TSwfCompression compression) {
    TSwfParams p;
    p.width = width;
    p.height = height;
    p.nbits = nbits;
    p.compression = compression;
    p.frames = 4;
    return p;
}

const TSwfCompression kAllKinds[] = {TSwfCompression::None, TSwfCompression::Zlib,
                                     TSwfCompression::Lzma};

} // namespace

TEST_F(FlashInfoTest, ClassicReaderGivesXmaxAndYmaxOfAnUncompressedMovie) {
    auto header =
        TFlashInfo::ReadHeader(Movie("a.swf", Params(550, 400, 15, TSwfCompression::None)));
    EXPECT_EQ(TFlashInfo::GetNBits(header), 15);
    EXPECT_EQ(TFlashInfo::GetWidth(header), 550);
    EXPECT_EQ(TFlashInfo::GetHeight(header), 400);

    header = TFlashInfo::ReadHeader(Movie("zero.swf", Params(550, 400, 0, TSwfCompression::None)));
    EXPECT_EQ(TFlashInfo::GetNBits(header), 0);
    EXPECT_EQ(TFlashInfo::GetWidth(header), 0);
    EXPECT_EQ(TFlashInfo::GetHeight(header), 0);

    // With n = 31 the Ymax field ends in the last bit of the 17 bytes.
    header =
        TFlashInfo::ReadHeader(Movie("wide.swf", Params(2047, 1023, 31, TSwfCompression::None)));
    EXPECT_EQ(TFlashInfo::GetNBits(header), 31);
    EXPECT_EQ(TFlashInfo::GetWidth(header), 2047);
    EXPECT_EQ(TFlashInfo::GetHeight(header), 1023);
}

TEST_F(FlashInfoTest, ClassicReaderIgnoresXminAsDesigned) {
    TSwfParams p = Params(0, 400, 15, TSwfCompression::None);
    p.xmin_twips = 20;
    p.width_twips = 551 * 20 - 20;
    auto header = TFlashInfo::ReadHeader(Movie("origin.swf", p));
    EXPECT_EQ(TFlashInfo::GetWidth(header), 551);
}

TEST_F(FlashInfoTest, BitHelpersCountFromTheMostSignificantBit) {
    TFlashHeader h{};
    h[0] = 0x80;
    h[1] = 0x01;
    h[16] = 0x01;
    EXPECT_TRUE(TFlashInfo::GetBit(h, 0));
    EXPECT_FALSE(TFlashInfo::GetBit(h, 1));
    EXPECT_FALSE(TFlashInfo::GetBit(h, 8));
    EXPECT_TRUE(TFlashInfo::GetBit(h, 15));
    EXPECT_TRUE(TFlashInfo::GetBit(h, 135));
    // Positions past the 136 bits of the buffer are clear, not read from beyond it.
    EXPECT_FALSE(TFlashInfo::GetBit(h, 136));
    EXPECT_FALSE(TFlashInfo::GetBit(h, 255));
    EXPECT_FALSE(TFlashInfo::GetBit(h, -1));

    EXPECT_TRUE(TFlashInfo::TestBit(0x80000000u, 31));
    EXPECT_FALSE(TFlashInfo::TestBit(0x7fffffffu, 31));
    EXPECT_EQ(TFlashInfo::SetBit(0, 31), 0x80000000u);
    EXPECT_EQ(TFlashInfo::SetBit(0x10, 0), 0x11u);
}

TEST_F(FlashInfoTest, ReadHeaderFailsOnShortAndMissingFiles) {
    std::vector<uint8_t> bytes = MakeSwf(Params(550, 400, 15, TSwfCompression::None));
    bytes.resize(24);
    EXPECT_THROW(TFlashInfo::ReadHeader(Write("short.swf", bytes)), EInOutError);
    bytes.resize(25);
    EXPECT_NO_THROW(TFlashInfo::ReadHeader(Write("exact.swf", bytes)));
    EXPECT_THROW(TFlashInfo::ReadHeader((folder / "missing.swf").string()), EFOpenError);
}

TEST_F(FlashInfoTest, FrameSizeOfEveryKindAndFieldWidth) {
    struct Case {
        int width, height, nbits;
    } cases[] = {{550, 400, -1}, {550, 400, 15}, {550, 400, 31}, {1, 1, 6}, {4000, 3000, 18}};
    for (TSwfCompression kind : kAllKinds) {
        for (const Case& c : cases) {
            SCOPED_TRACE("kind " + std::to_string(static_cast<int>(kind)) + " n " +
                         std::to_string(c.nbits) + " " + std::to_string(c.width) + "x" +
                         std::to_string(c.height));
            auto size = FlashFrameSize(Movie("m.swf", Params(c.width, c.height, c.nbits, kind)));
            ASSERT_TRUE(size.has_value());
            EXPECT_EQ(size->first, c.width);
            EXPECT_EQ(size->second, c.height);
        }
        auto zero = FlashFrameSize(Movie("zero.swf", Params(550, 400, 0, kind)));
        ASSERT_TRUE(zero.has_value());
        EXPECT_EQ(*zero, std::make_pair(0, 0));
    }
}

TEST_F(FlashInfoTest, FrameSizeSubtractsTheMinimumAndTruncatesToWholePixels) {
    for (TSwfCompression kind : kAllKinds) {
        TSwfParams p = Params(0, 0, -1, kind);
        p.xmin_twips = 20;
        p.width_twips = 551 * 20 - 20; // Xmax = 551 * 20
        p.ymin_twips = -400;           // a negative origin is legal
        p.height_twips = 300 * 20 + 19;
        auto size = FlashFrameSize(Movie("origin.swf", p));
        ASSERT_TRUE(size.has_value());
        EXPECT_EQ(size->first, 550);
        EXPECT_EQ(size->second, 300);
    }
}

TEST_F(FlashInfoTest, CompressedMovieIsNotReadFromItsCompressedBytes) {
    // The classic reader gives nonsense here; the mended one must not.
    std::string path = Movie("c.swf", Params(640, 480, 15, TSwfCompression::Zlib));
    auto classic = TFlashInfo::ReadHeader(path);
    EXPECT_NE(std::make_pair(TFlashInfo::GetWidth(classic), TFlashInfo::GetHeight(classic)),
              std::make_pair(640, 480));
    EXPECT_EQ(FlashFrameSize(path), std::make_pair(640, 480));
}

TEST_F(FlashInfoTest, FrameSizeRejectsFilesThatAreNoMovie) {
    EXPECT_FALSE(FlashFrameSize((folder / "missing.swf").string()));
    EXPECT_FALSE(FlashFrameSize(Write("empty.swf", {})));
    EXPECT_FALSE(FlashFrameSize(
        Write("text.swf", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!'})));
    std::vector<uint8_t> bytes = MakeSwf(Params(550, 400, 15, TSwfCompression::None));
    bytes[0] = 'X';
    EXPECT_FALSE(FlashFrameSize(Write("sig.swf", bytes)));
    // Xmax below Xmin is no frame at all.
    TSwfParams p = Params(0, 400, 15, TSwfCompression::None);
    p.xmin_twips = 2000;
    p.width_twips = 0;
    EXPECT_TRUE(FlashFrameSize(Movie("flat.swf", p)));
    // n = 8, Xmin = 100, Xmax = 50, Ymin = 0, Ymax = 100.
    std::vector<uint8_t> inverted = {'F',  'W',  'S',  6, 30, 0, 0, 0, 0x43, 0x21,
                                     0x90, 0x03, 0x20, 0, 12, 1, 0, 0, 0};
    EXPECT_FALSE(FlashFrameSize(Write("inverted.swf", inverted)));
    inverted[9] = 0x23; // Xmax = 102: now a proper 0.1-pixel wide frame, truncated to 0
    inverted[10] = 0x30;
    EXPECT_EQ(FlashFrameSize(Write("thin.swf", inverted)), std::make_pair(0, 5));
}

TEST_F(FlashInfoTest, FrameSizeOfTruncatedMoviesNeverReadsPastTheEnd) {
    for (TSwfCompression kind : kAllKinds) {
        std::vector<uint8_t> bytes = MakeSwf(Params(550, 400, 31, kind));
        for (std::size_t cut = 0; cut < 40 && cut < bytes.size(); ++cut) {
            std::vector<uint8_t> head(bytes.begin(),
                                      bytes.begin() + static_cast<std::ptrdiff_t>(cut));
            auto size = FlashFrameSize(head.data(), head.size());
            // Only a prefix holding the whole rectangle may give a size, and then the right one.
            if (size) {
                EXPECT_EQ(*size, std::make_pair(550, 400)) << "cut at " << cut;
            }
        }
        // An uncompressed n = 31 rectangle needs 8 + 17 bytes.
        if (kind == TSwfCompression::None) {
            EXPECT_FALSE(FlashFrameSize(bytes.data(), 24));
            EXPECT_TRUE(FlashFrameSize(bytes.data(), 25));
        }
    }
}

TEST_F(FlashInfoTest, DamagedCompressedDataGivesNoInventedSize) {
    for (TSwfCompression kind : {TSwfCompression::Zlib, TSwfCompression::Lzma}) {
        std::vector<uint8_t> bytes = MakeSwf(Params(550, 400, 15, kind));
        for (std::size_t i = 8; i < bytes.size(); ++i)
            bytes[i] = static_cast<uint8_t>(0xa5 ^ (i * 7));
        auto size = FlashFrameSize(bytes.data(), bytes.size());
        // Garbage may decode to something, but it must not crash; zlib's check rejects it.
        if (kind == TSwfCompression::Zlib) {
            EXPECT_FALSE(size.has_value());
        }
    }
    // A forged 4 GiB LZMA dictionary must not be allocated to read 17 bytes.
    std::vector<uint8_t> bytes = MakeSwf(Params(550, 400, 15, TSwfCompression::Lzma));
    bytes[13] = bytes[14] = bytes[15] = bytes[16] = 0xff;
    EXPECT_EQ(FlashFrameSize(bytes.data(), bytes.size()), std::make_pair(550, 400));
}

TEST_F(FlashInfoTest, ReadFlashMovieExpandsEveryKindToTheSameMovie) {
    TSwfParams p = Params(320, 240, -1, TSwfCompression::None);
    p.frames = 30;
    const std::vector<uint8_t> plain = MakeSwf(p);
    for (TSwfCompression kind : kAllKinds) {
        p.compression = kind;
        auto movie = ReadFlashMovie(Movie("m.swf", p));
        ASSERT_TRUE(movie.has_value());
        EXPECT_EQ(*movie, plain);
    }
    EXPECT_FALSE(ReadFlashMovie(Movie("m.swf", p), 100)); // does not fit the limit
    EXPECT_FALSE(ReadFlashMovie(Write("text.swf", {'n', 'o', 'p', 'e', 0, 0, 0, 0, 1})));
}

TEST_F(FlashInfoTest, StopActionLandsInTheLastFrame) {
    TSwfParams p = Params(100, 100, -1, TSwfCompression::None);
    p.frames = 5;
    const std::vector<uint8_t> looping = MakeSwf(p);
    p.stop_at_end = true;
    const std::vector<uint8_t> stopping = MakeSwf(p);
    // Our generator places the same stop action where the rewrite must put it.
    auto rewritten = WithStopOnLastFrame(looping);
    ASSERT_TRUE(rewritten.has_value());
    EXPECT_EQ(*rewritten, stopping);

    auto facts = ReadFlashMovieFacts(looping);
    ASSERT_TRUE(facts.has_value());
    EXPECT_EQ(facts->frame_count, 5);
    EXPECT_DOUBLE_EQ(facts->frame_rate, 24.0);
    EXPECT_FALSE(facts->action_script3);

    // A tag whose length runs past the end is refused, as is a movie without frames.
    std::vector<uint8_t> cut(looping.begin(), looping.end() - 7);
    EXPECT_FALSE(WithStopOnLastFrame(cut));
    EXPECT_FALSE(WithStopOnLastFrame(std::vector<uint8_t>(looping.begin(), looping.begin() + 20)));
}

TEST_F(FlashInfoTest, RealWorldMovies) {
    const fs::path samples = fs::path(GLD_SHARED_DIR) / "samples" / "swf";
    if (!fs::exists(samples)) GTEST_SKIP() << "no sample movies at " << samples;
    // Frame sizes worked out by hand from each movie's decompressed rectangle.
    const std::pair<const char*, std::pair<int, int>> expected[] = {
        {"avm1_watch_recursion_double_swf6_test.swf", {550, 400}},
        {"avm2_bitmap_subclass_test.swf", {500, 375}},
        {"avm2_coerce_to_primitive_side_effects_test.swf", {500, 375}},
        {"avm2_doabc_and_symbolclass_script_init_goto_test.swf", {500, 375}},
        {"avm2_edittext_get_line_index_of_char_test.swf", {500, 375}},
        {"visual_video_colorconversion_vp6a_test.swf", {640, 480}},
    };
    for (const auto& [name, size] : expected) {
        SCOPED_TRACE(name);
        const std::string path = (samples / name).string();
        EXPECT_EQ(FlashFrameSize(path), size);
        auto movie = ReadFlashMovie(path);
        ASSERT_TRUE(movie.has_value());
        auto facts = ReadFlashMovieFacts(*movie);
        ASSERT_TRUE(facts.has_value());
        EXPECT_EQ(facts->action_script3, std::string(name).rfind("avm2", 0) == 0);
        EXPECT_TRUE(WithStopOnLastFrame(*movie).has_value());
    }
}
