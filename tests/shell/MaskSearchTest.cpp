#include "shell/MaskSearch.h"

#include <gtest/gtest.h>

using namespace shell;

namespace {

bool Matches(const std::string& name, const std::string& masks) {
    TMaskList list;
    ParseMasks(masks, list);
    return MatchesMaskList(name, &list);
}

TEST(MaskSearchTest, ParsingLowersSortsAndDropsDuplicates) {
    TMaskList list;
    ParseMasks("*.txt;*.TXT", list);
    EXPECT_EQ(list.Patterns(), std::vector<std::string>{"*.txt"});
    ParseMasks("b*;A*;", list);
    EXPECT_EQ(list.Patterns(), (std::vector<std::string>{"a*", "b*"}));
    ParseMasks("", list);
    EXPECT_EQ(list.Patterns(), std::vector<std::string>{"*"});
    // Empty pieces stay as empty patterns, which match nothing.
    ParseMasks("*.jpg;;*.png", list);
    EXPECT_EQ(list.Patterns(), (std::vector<std::string>{"", "*.jpg", "*.png"}));
}

TEST(MaskSearchTest, ListMatchingIgnoresCaseAndTreatsMissingExtensionAsDot) {
    EXPECT_TRUE(Matches("Anything.At.All", ""));
    EXPECT_TRUE(MatchesMaskList("x", nullptr));
    TMaskList empty;
    EXPECT_TRUE(MatchesMaskList("x", &empty));
    EXPECT_TRUE(Matches("PHOTO.JPG", "*.jpg;*.gif"));
    EXPECT_TRUE(Matches("anim.gif", "*.jpg;*.gif"));
    EXPECT_FALSE(Matches("notes.txt", "*.jpg;*.gif"));
    EXPECT_TRUE(Matches("readme", "*."));
    EXPECT_TRUE(Matches("readme", "*.*"));
    EXPECT_FALSE(Matches("readme", "*.txt"));
    EXPECT_FALSE(Matches("readme.txt", "*."));
    EXPECT_TRUE(Matches("Readme", "readme."));
}

TEST(MaskSearchTest, PatternsWithoutBacktracking) {
    EXPECT_TRUE(MatchesMask("abcbc", "a*bc"));  // a final literal is tested against the end
    EXPECT_FALSE(MatchesMask("abadc", "*a?c")); // the first "a" is taken, no second try
    EXPECT_TRUE(MatchesMask("abc", "*a?c"));
    EXPECT_FALSE(MatchesMask("x", "?x"));
    EXPECT_FALSE(MatchesMask("x", "x?"));
    EXPECT_TRUE(MatchesMask("xy", "x?"));
    EXPECT_TRUE(MatchesMask("file.jpeg", "*.jp*"));
    EXPECT_TRUE(MatchesMask("img_0001.jpg", "img_????.jpg"));
    EXPECT_FALSE(MatchesMask("img_001.jpg", "img_????.jpg"));
    EXPECT_TRUE(MatchesMask("data.tar.gz", "*.gz"));
    EXPECT_TRUE(MatchesMask("a.b.c", "*.b.*"));
    EXPECT_FALSE(MatchesMask("a.c", "*.b.*"));
    EXPECT_TRUE(MatchesMask("exact", "exact"));
    EXPECT_FALSE(MatchesMask("exact2", "exact"));
    // A name that is used up before a final starred literal does not match it.
    EXPECT_FALSE(MatchesMask("photo.jpg", "photo.jpg*x"));
    EXPECT_FALSE(MatchesMask("a", "a*bc"));
}

TEST(MaskSearchTest, LongNamesMatchToo) {
    std::string longName(2000, 'n');
    EXPECT_TRUE(Matches(longName + ".JPG", "*.jpg"));
    EXPECT_FALSE(Matches(longName, "*.jpg"));
}

} // namespace
