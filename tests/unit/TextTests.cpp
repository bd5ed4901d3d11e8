#include "common/Text.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase {
    const char* label;
    Text text;
    std::vector<Text> pieces;
};

// "\xD5\x5C" is a code page 936 character whose second byte is a backslash.
const SplitCase kSplitCases[] = {
    {"full path", "C:\\dir\\file.txt", {"C:", "dir", "file.txt"}},
    {"no separator", "file.txt", {"file.txt"}},
    {"one final separator", "C:\\dir\\", {"C:", "dir"}},
    {"two final separators", "C:\\dir\\\\", {"C:", "dir", ""}},
    {"separator alone", "\\", {""}},
    {"empty text", "", {}},
    {"trail byte 0x5C",
     "C:\\\xD5\x5C"
     "a\\b\xD5\x5C.txt",
     {"C:",
      "\xD5\x5C"
      "a",
      "b\xD5\x5C.txt"}},
    {"lead byte at the end", "C:\\a\xD5", {"C:", "a\xD5"}},
};

TEST(SplitText, Cases) {
    for (const auto& c : kSplitCases)
        EXPECT_EQ(SplitText(c.text, "\\"), c.pieces) << c.label;
}

} // namespace
