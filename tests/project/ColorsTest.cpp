#include "Colors.h"

#include <gtest/gtest.h>
#include <set>

TEST(Colors, TableHasFiftyTwoDistinctNamesAndValues) {
    const auto& table = ColorTable();
    ASSERT_EQ(table.size(), 52u);
    std::set<uint32_t> values;
    std::set<std::string> names;
    for (const TColorName& c : table) {
        values.insert(c.Value);
        names.insert(c.Name);
        uint32_t back = 1;
        EXPECT_TRUE(StringToColor(c.Name, back));
        EXPECT_EQ(back, c.Value) << c.Name;
        EXPECT_EQ(ColorToString(c.Value), c.Name);
    }
    EXPECT_EQ(values.size(), 52u);
    EXPECT_EQ(names.size(), 52u);
    EXPECT_EQ(ColorNames().front(), "clBlack");
    EXPECT_EQ(StringToColor("clSkyBlue"), 0x00F0CAA6u);
    EXPECT_EQ(StringToColor("clMenuBar"), 0x8000001Eu);
    EXPECT_EQ(StringToColor("cl3DDkShadow"), 0x80000015u);
}

TEST(Colors, UnnamedColoursAreEightHexDigits) {
    EXPECT_EQ(ColorToString(0x00804020), "$00804020");
    EXPECT_EQ(ColorToString(0x000000FE), "$000000FE");
    EXPECT_EQ(ColorToString(0x800000FF), "$800000FF");
    EXPECT_EQ(StringToColor("$00804020"), 0x00804020u);
}

TEST(Colors, NamesIgnoreCaseAndNumbersAreAccepted) {
    EXPECT_EQ(StringToColor("CLWHITE"), 0x00FFFFFFu);
    EXPECT_EQ(StringToColor("clwindow"), 0x80000005u);
    EXPECT_EQ(StringToColor("255"), 0xFFu);
    EXPECT_EQ(StringToColor("$80000005"), 0x80000005u);
    EXPECT_EQ(StringToColor("-1"), 0xFFFFFFFFu);
    EXPECT_TRUE(IsSystemColor(StringToColor("clBtnFace")));
    EXPECT_EQ(SystemColorIndex(StringToColor("clBtnFace")), 0x0F);
    EXPECT_FALSE(IsSystemColor(StringToColor("clNone")));
    EXPECT_FALSE(IsSystemColor(StringToColor("clSilver")));
    EXPECT_EQ(RgbColor(0x20, 0x40, 0x80), 0x00804020u);
    EXPECT_EQ(ColorRed(0x00804020), 0x20);
    EXPECT_EQ(ColorBlue(0x00804020), 0x80);
}

TEST(Colors, NeitherNameNorNumberIsRefused) {
    uint32_t color = 7;
    EXPECT_FALSE(StringToColor("clBlackish", color));
    EXPECT_EQ(color, 7u);
    try {
        StringToColor("purple-ish");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'purple-ish' is not a valid integer value");
    }
    EXPECT_THROW(StringToColor(""), EConvertError);
}
