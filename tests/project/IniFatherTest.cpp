#include "cIniFather.h"

#include <gtest/gtest.h>

#include "../platform/TempDir.h"

TEST(IniNumbers, DecimalAndHexadecimalForms) {
    EXPECT_EQ(ParseIniNumber("16"), 16);
    EXPECT_EQ(ParseIniNumber("-16"), -16);
    EXPECT_EQ(ParseIniNumber("+7"), 7);
    EXPECT_EQ(ParseIniNumber("0x10"), 16);
    EXPECT_EQ(ParseIniNumber("0X1f"), 31);
    EXPECT_EQ(ParseIniNumber("$FF"), 255);
    EXPECT_EQ(ParseIniNumber("$80000005"), static_cast<int32_t>(0x80000005u));
    EXPECT_EQ(ParseIniNumber("$FFFFFFFF"), -1);
    EXPECT_EQ(ParseIniNumber("-$10"), -16);
    EXPECT_EQ(ParseIniNumber("007"), 7);
}

TEST(IniNumbers, AnythingElseIsNotANumber) {
    for (const char* text : {"", "ten", "0x", "$", "-", "12abc", "1e3", " 5", "0x1G", "$-1", "1.5"})
        EXPECT_FALSE(ParseIniNumber(text).has_value()) << text;
}

TEST(IniNumbers, OverflowIsNotANumber) {
    EXPECT_EQ(ParseIniNumber("2147483647"), 2147483647);
    EXPECT_EQ(ParseIniNumber("-2147483648"), INT32_MIN);
    EXPECT_FALSE(ParseIniNumber("2147483648").has_value());
    EXPECT_FALSE(ParseIniNumber("-2147483649").has_value());
    EXPECT_FALSE(ParseIniNumber("99999999999999999999999").has_value());
    EXPECT_FALSE(ParseIniNumber("$100000000").has_value());
    EXPECT_EQ(ParseIniNumber("$000000000000FF"), 255);
}

namespace {
struct TDoc : TIniFather {
    explicit TDoc(const std::string& path) {
        IniFile = std::make_unique<TIniFile>(path);
        FileName = path;
    }
};
} // namespace

TEST(IniFather, TypedReadsAndWrites) {
    TTempDir dir;
    TDoc doc(dir / "d.ini");
    doc.WriteNumber("N", "neg", -42);
    doc.WriteFlag("N", "on", true);
    doc.WriteFlag("N", "off", false);
    doc.WriteText("N", "text", "a = b");
    EXPECT_EQ(ReadFileBytes(dir / "d.ini"), "[N]\r\nneg=-42\r\non=1\r\noff=0\r\ntext=a = b\r\n");
    EXPECT_EQ(doc.ReadNumber("N", "neg", 0), -42);
    EXPECT_EQ(doc.ReadNumber("N", "text", 9), 9);
    EXPECT_TRUE(doc.ReadFlag("N", "on", false));
    EXPECT_FALSE(doc.ReadFlag("N", "off", true));
    EXPECT_TRUE(doc.ReadFlag("N", "missing", true));
    EXPECT_FALSE(doc.ReadFlag("N", "text", false));
    EXPECT_EQ(doc.ReadText("N", "text", ""), "a = b");
}

TEST(IniFather, ListsAppendAndReplace) {
    TTempDir dir;
    TDoc doc(dir / "l.ini");
    doc.WriteList("L", {"a", "b", "c"});
    doc.WriteList("L", {"z"});
    std::vector<std::string> list{"kept"};
    doc.ReadList("L", list);
    EXPECT_EQ(list, (std::vector<std::string>{"kept", "z"}));
    EXPECT_EQ(ReadFileBytes(dir / "l.ini"), "[L]\r\n0=z\r\n");

    // A list that cannot be written in full leaves the old one whole, not cut short.
    std::vector<std::string> many(50, std::string(40, 'm'));
    {
        TFileSizeLimit limit(400);
        EXPECT_THROW(doc.WriteList("L", many), EIniWriteError);
    }
    EXPECT_EQ(ReadFileBytes(dir / "l.ini"), "[L]\r\n0=z\r\n");
}

TEST(IniFather, UseWithoutAFileIsAProgrammingError) {
    struct TEmpty : TIniFather {
    } empty;
    EXPECT_THROW(empty.ReadText("S", "K", ""), std::logic_error);
    EXPECT_THROW(empty.WriteFlag("S", "K", true), std::logic_error);
}
