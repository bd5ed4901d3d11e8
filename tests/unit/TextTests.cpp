#include "common/Text.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// "誠" is a code page 936 character whose second byte is a backslash.
constexpr char kTrail5C[] = "誠";

TEST(CodePage936, TrailByteCharacterIsD55C) {
    EXPECT_EQ(Text(kTrail5C), "\xD5\x5C");
}

struct CompareCase {
    const char* label;
    Text a;
    Text b;
    int order;
};

const CompareCase kCompareCases[] = {
    {"both empty", "", "", 0},
    {"equal", "C:\\dir", "C:\\dir", 0},
    {"equal two-byte", "誠.txt", "誠.txt", 0},
    {"prefix is lower", "abc", "abcd", -1},
    {"longer is higher", "abcd", "abc", 1},
    {"empty below anything", "", "a", -1},
    {"far apart gives -1, not the difference", "a", "z", -1},
    {"far apart gives 1, not the difference", "z", "a", 1},
    {"no case folding", "A", "a", -1},
    {"bytes are unsigned: 0x80 above 'a'", "\x80", "a", 1},
    {"bytes are unsigned: 0xFF above 0x01", "x\xFF", "x\x01", 1},
    {"lead byte against ASCII", "a", "誠", -1},
};

TEST(CompareText, Cases) {
    for (const auto& c : kCompareCases)
        EXPECT_EQ(CompareText(c.a, c.b), c.order) << c.label;
}

struct LeftCase {
    Text text;
    int n;
    Text left;
};

const LeftCase kLeftCases[] = {
    {"abc", INT_MIN, ""}, {"abc", -1, ""},    {"abc", 0, ""},          {"abc", 1, "a"},
    {"abc", 3, "abc"},    {"abc", 4, "abc"},  {"abc", INT_MAX, "abc"}, {"", 1, ""},
    {".cache", 1, "."},   {"誠x", 1, "\xD5"},
};

TEST(LeftText, Cases) {
    for (const auto& c : kLeftCases)
        EXPECT_EQ(LeftText(c.text, c.n), c.left) << '"' << c.text << "\" n=" << c.n;
}

TEST(JoinText, TwoPartsEndToEnd) {
    EXPECT_EQ(JoinText(Text("C:\\"), "name.txt"), "C:\\name.txt");
    EXPECT_EQ(JoinText(Text(), Text()), "");
}

TEST(JoinText, ThreePartsInOrder) {
    EXPECT_EQ(JoinText("D:\\a\\", Text("b"), "\\"), "D:\\a\\b\\");
    EXPECT_EQ(JoinText("", "x", ""), "x");
}

TEST(JoinText, FourPartsInOrder) {
    const Text directory = "D:\\誠\\";
    EXPECT_EQ(JoinText(directory, "b", "\\", "name.txt"), "D:\\誠\\b\\name.txt");
}

TEST(JoinText, LeavesItsPartsAlone) {
    const Text first = "one";
    const Text second = "two";
    const Text joined = JoinText(first, second);
    EXPECT_EQ(joined, "onetwo");
    EXPECT_EQ(first, "one");
    EXPECT_EQ(second, "two");
}

struct SplitCase {
    const char* label;
    Text text;
    std::vector<Text> pieces;
};

const SplitCase kSplitCases[] = {
    {"full path", "C:\\dir\\file.txt", {"C:", "dir", "file.txt"}},
    {"no separator", "file.txt", {"file.txt"}},
    {"one final separator", "C:\\dir\\", {"C:", "dir"}},
    {"two final separators", "C:\\dir\\\\", {"C:", "dir", ""}},
    {"leading separator", "\\file.txt", {"", "file.txt"}},
    {"doubled separator inside", "C:\\\\file.txt", {"C:", "", "file.txt"}},
    {"separator alone", "\\", {""}},
    {"empty text", "", {}},
    {"trail byte 0x5C in folder and file names", "C:\\誠a\\b誠.txt", {"C:", "誠a", "b誠.txt"}},
    {"trail byte 0x5C at a name's end", "C:\\誠\\x", {"C:", "誠", "x"}},
    {"trail byte 0x5C as the whole name", "誠", {"誠"}},
    {"lead byte at the end", "C:\\a\xD5", {"C:", "a\xD5"}},
    {"lead byte alone", "\xD5", {"\xD5"}},
};

TEST(SplitText, Cases) {
    for (const auto& c : kSplitCases)
        EXPECT_EQ(SplitText(c.text, "\\"), c.pieces) << c.label;
}

} // namespace
