#include "plugins/xfbridge/SerializedString.h"

#include <gtest/gtest.h>

using namespace xfbridge;

namespace {

std::string Serialized(const std::string& text) {
    MemoryFile f;
    WriteSerializedString(f, text);
    return f.Bytes();
}

std::optional<std::string> Parsed(const std::string& bytes) {
    MemoryFile f(bytes);
    return ReadSerializedString(f);
}

} // namespace

TEST(SerializedStringTest, LengthPrefixGrowsAtEachLimit) {
    struct Case {
        size_t length;
        std::string prefix;
    };
    const Case cases[] = {
        {0, std::string("\x00", 1)},
        {254, "\xFE"},
        {255, std::string("\xFF\xFF\x00", 3)},
        {300, std::string("\xFF\x2C\x01", 3)},
        {65533, "\xFF\xFD\xFF"},
        {65534, std::string("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7)},
        {70000, std::string("\xFF\xFF\xFF\x70\x11\x01\x00", 7)},
    };
    for (const Case& c : cases) {
        const std::string text(c.length, 'p');
        const std::string bytes = Serialized(text);
        EXPECT_EQ(bytes, c.prefix + text) << c.length; // no terminating zero
        EXPECT_EQ(Parsed(bytes), text) << c.length;
    }
}

TEST(SerializedStringTest, ReadsOneStringAndLeavesTheRest) {
    MemoryFile f;
    WriteSerializedString(f, "C:\\Filters\\Prismatica.8bf");
    WriteSerializedString(f, "second");
    EXPECT_EQ(ReadSerializedString(f), "C:\\Filters\\Prismatica.8bf");
    EXPECT_EQ(ReadSerializedString(f), "second");
    EXPECT_EQ(ReadSerializedString(f), std::nullopt);
}

TEST(SerializedStringTest, WideCharactersAreConvertedToTheCodePage) {
    // 0xFF 0xFFFE, then a 1-byte length of 5 and five 16-bit characters.
    const std::string wide("\xFF\xFE\xFF\x05"
                           "C\0:\0\\\0x\0y\0",
                           14);
    EXPECT_EQ(Parsed(wide), "C:\\xy");
    // The wide length can take the longer forms too: 0xFF and 16 bits, here 300.
    std::string longWide("\xFF\xFE\xFF\xFF\x2C\x01", 6);
    for (int i = 0; i < 300; ++i)
        longWide += std::string("a\0", 2);
    EXPECT_EQ(Parsed(longWide), std::string(300, 'a'));
}

TEST(SerializedStringTest, ValueShorterThanItsLengthFails) {
    EXPECT_EQ(Parsed(""), std::nullopt);
    EXPECT_EQ(Parsed("\x05"
                     "abcd"),
              std::nullopt);
    EXPECT_EQ(Parsed("\xFF\x2C"), std::nullopt);
    EXPECT_EQ(Parsed(std::string("\xFF\x2C\x01", 3) + std::string(299, 'x')), std::nullopt);
    // A 32-bit length of four billion over a few bytes: refused without trying to make room for it.
    EXPECT_EQ(Parsed("\xFF\xFF\xFF\xFF\xFF\xFF\xF0xyz"), std::nullopt);
    EXPECT_EQ(Parsed(std::string("\xFF\xFE\xFF\x02"
                                 "a\0",
                                 6)),
              std::nullopt);
    EXPECT_EQ(Parsed(std::string("\x03"
                                 "abc")),
              "abc");
}
