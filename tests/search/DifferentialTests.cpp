// The quick search against the plain one: for every name and tree below, both must give the same
// results box and the same status trail, call for call. The trees are laid out and the letters
// mapped by with-fixtures.sh before each test process starts.
#include "search/DiskSearch.h"
#include "search/FileSystem.h"
#include "ui/Texts.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <string>
#include <vector>

namespace {

// Everything the window would show, in order.
class RecordingReport final : public SearchReport {
  public:
    void AddResult(const Text& path) override { results += path; }
    void ShowStatus(const Text& status) override { trail.push_back(status); }

    Text results;
    std::vector<Text> trail;
};

std::vector<Text> Roots(const char* letters) {
    std::vector<Text> roots;
    for (const char* letter = letters; *letter; ++letter)
        roots.push_back(JoinText(Text(1, *letter), ":\\"));
    return roots;
}

::testing::AssertionResult DrivesAreMapped(const char* letters) {
    for (const char* letter = letters; *letter; ++letter) {
        const char lower = static_cast<char>(*letter | 0x20);
        const Text marker =
            JoinText(Text(1, *letter), ":\\varnelo-search-", Text(1, lower), ".drive");
        if (GetFileAttributesA(marker.c_str()) == INVALID_FILE_ATTRIBUTES)
            return ::testing::AssertionFailure()
                   << marker << " is missing: run through tests/search/with-fixtures.sh";
    }
    return ::testing::AssertionSuccess();
}

// The first place where two trails part, or success.
::testing::AssertionResult SameTrail(const std::vector<Text>& plain,
                                     const std::vector<Text>& quick) {
    for (size_t i = 0; i < plain.size() && i < quick.size(); ++i) {
        if (plain[i] != quick[i])
            return ::testing::AssertionFailure()
                   << "status " << i << " of " << plain.size() << ": plain \"" << plain[i]
                   << "\", quick \"" << quick[i] << "\"";
    }
    if (plain.size() != quick.size())
        return ::testing::AssertionFailure()
               << "plain shows " << plain.size() << " statuses, quick " << quick.size();
    return ::testing::AssertionSuccess();
}

struct Runs {
    RecordingReport plain;
    RecordingReport quick;
};

Runs SearchBoth(const std::vector<Text>& roots, const Text& name) {
    Runs runs;
    SearchDrives(roots, name, runs.plain, Check::Plain);
    SearchDrives(roots, name, runs.quick, Check::Quick);
    return runs;
}

Text Repeat(char byte, int count) {
    return Text(static_cast<size_t>(count), byte);
}

const Text kLongFolder = JoinText("K:\\", Repeat('p', 100), "\\", Repeat('q', 100), "\\");
const Text kChain100 = [] {
    Text path = "J:\\chain\\";
    for (int level = 0; level < 100; ++level)
        path += "d\\";
    return path;
}();

struct NameCase {
    const char* label;
    const char* drives;
    Text name;
    // The results box that the rules give, where the tree decides it alone (no order of entries
    // among several hits, no device, no permission that root may override).
    std::optional<Text> results;
};

// "\xD5\x5C" is 誠, whose second byte is a backslash.
const NameCase kNameCases[] = {
    {"at the root", "DE", "rootfile.txt", "D:\\rootfile.txt"},
    {"deep", "DE", "deep.txt", "D:\\a\\b\\c\\deep.txt"},
    {"other letter case", "DE", "casefile.txt", "D:\\Mixed\\casefile.txt"},
    {"star", "DE", "deep.*", "D:\\a\\b\\c\\deep.*"},
    {"question mark", "DE", "de?p.txt", "D:\\a\\b\\c\\de?p.txt"},
    {"star matching at the root", "DE", "*.TXT", "D:\\*.TXT"},
    {"leading dot", "DE", ".hidden.txt", "D:\\plain\\.hidden.txt"},
    {"only inside a dot folder", "DE", "indot.txt", ""},
    {"trailing backslash on a folder", "DE", "c\\", ""},
    {"trailing slash on a folder", "DE", "c/", ""},
    {"relative path", "DE", "sub\\target.txt", "D:\\rel\\sub\\target.txt"},
    {"relative path, other case", "DE", "SUB\\Target.TXT", "D:\\rel\\SUB\\Target.TXT"},
    {"two-byte name", "DE",
     "\xD5\x5C"
     "a.txt",
     "D:\\zh\\\xD5\x5C"
     "a.txt"},
    {"two-byte name, other case", "DE",
     "\xD5\x5C"
     "A.TXT",
     "D:\\zh\\\xD5\x5C"
     "A.TXT"},
    {"device", "DE", "NUL", std::nullopt},
    {"device with an extension", "DE", "nul.txt", std::nullopt},
    {"device in a relative path", "DE", "con\\x.txt", std::nullopt},
    {"trailing dot", "DE", "deep.txt.", std::nullopt},
    {"trailing space", "DE", "deep.txt ", std::nullopt},
    {"only spaces", "DE", "   ", std::nullopt},
    {"dot", "DE", ".", std::nullopt},
    {"link to nowhere", "DE", "dangling.txt", std::nullopt},
    {"nowhere", "DEFH", "absent.txt", ""},
    {"on the second drive", "DE", "onlyone.txt", "E:\\second\\onlyone.txt"},
    {"behind a directory link", "DF", "linked.txt", "F:\\link\\inner\\linked.txt"},
    {"in folders that cannot be listed", "G", "locked.txt", std::nullopt},
    {"a folder that cannot be listed", "G", "locked", std::nullopt},
    {"through a link to its own parent", "H", "inloop.txt", "H:\\up\\inloop.txt"},
    {"nowhere, through a link to its own parent", "H", "absent.txt", ""},
    {"among 5,000 entries", "I", "target5000.txt", "I:\\wide\\entry02500\\target5000.txt"},
    {"nowhere among 5,000 entries", "I", "absent.txt", ""},
    {"100 levels deep", "J", "chain.txt", JoinText(kChain100, "chain.txt")},
    {"200 levels deep, past the path limit", "J", "toodeep.txt", ""},
    // Wine takes paths of up to 260 bytes here; Windows stops one byte earlier.
    {"path of 259 bytes", "K", Repeat('x', 54), JoinText(kLongFolder, Repeat('x', 54))},
    {"path of 260 bytes", "K", Repeat('x', 55), JoinText(kLongFolder, Repeat('x', 55))},
    {"path of 261 bytes", "K", Repeat('x', 56), ""},
    {"path of 262 bytes, other case", "K", Repeat('X', 57), ""},
};

void PrintTo(const NameCase& c, std::ostream* out) {
    *out << c.label;
}

class SameAsPlain : public ::testing::TestWithParam<NameCase> {};

TEST_P(SameAsPlain, ResultsAndStatusTrail) {
    const NameCase& c = GetParam();
    ASSERT_TRUE(DrivesAreMapped(c.drives));
    const Runs runs = SearchBoth(Roots(c.drives), c.name);
    EXPECT_EQ(runs.plain.results, runs.quick.results);
    EXPECT_TRUE(SameTrail(runs.plain.trail, runs.quick.trail));
    if (c.results) {
        EXPECT_EQ(runs.plain.results, *c.results);
    }
    ASSERT_FALSE(runs.plain.trail.empty());
    EXPECT_EQ(runs.plain.trail.back(),
              runs.plain.results.empty() ? texts::kNotFound : texts::kFound);
}

INSTANTIATE_TEST_SUITE_P(Names, SameAsPlain, ::testing::ValuesIn(kNameCases),
                         [](const ::testing::TestParamInfo<NameCase>& info) {
                             std::string label;
                             for (const char* c = info.param.label; *c; ++c)
                                 label += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return label;
                         });

// The short name that the system makes up for a long one matches like the long one.
TEST(SameAsPlainExtra, ShortNameOfALongFile) {
    ASSERT_TRUE(DrivesAreMapped("D"));
    char shortPath[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameA("D:\\short\\longfilename-example.txt", shortPath, MAX_PATH), 0u);
    const Text shortName = Text(shortPath).substr(Text(shortPath).rfind('\\') + 1);
    if (CompareText(shortName, "longfilename-example.txt") == 0)
        GTEST_SKIP() << "this file system gives the file no short name";
    const Runs runs = SearchBoth(Roots("D"), shortName);
    EXPECT_EQ(runs.plain.results, JoinText("D:\\short\\", shortName));
    EXPECT_EQ(runs.plain.results, runs.quick.results);
    EXPECT_TRUE(SameTrail(runs.plain.trail, runs.quick.trail));
}

// The cases above that name folders which cannot be listed prove something only when the folders
// really refuse listing (the test session takes root's permission override from the wineserver).
TEST(SameAsPlainExtra, LockedFoldersRefuseListing) {
    ASSERT_TRUE(DrivesAreMapped("G"));
    WIN32_FIND_DATAA data;
    for (const char* pattern : {"G:\\top\\locked\\*.*", "G:\\top\\sealed\\*.*"}) {
        const OwnedFind find(FindFirstFileA(pattern, &data));
        EXPECT_FALSE(find) << pattern << " can be listed";
    }
    // The traversable one still answers an attribute query: the case the quick test confirms.
    EXPECT_NE(GetFileAttributesA("G:\\top\\locked\\locked.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(SearchBoth(Roots("G"), "locked.txt").plain.results, "");
}

struct PathCase {
    const char* path;
    bool needsFindFirstFile;
    bool listingCanAnswer;
};

// Which names the quick search may answer without FindFirstFileA.
const PathCase kPathCases[] = {
    {"report.txt", false, true},
    {"D:\\dir\\report.txt", false, false},
    {"rep*.txt", true, false},
    {"rep?rt.txt", true, false},
    {"dir\\", true, false},
    {"dir/", true, false},
    {"NUL", true, false},
    {"nul.txt", true, false},
    {"Com1", true, false},
    {"LPT9.log", true, false},
    {"D:\\aux\\report.txt", true, false},
    {"COM", false, true},
    {"COM10", false, true},
    {"null", false, true},
    {"\xD5\x5C", false, true},    // the second byte is no separator
    {"a\xD5\x5C\\", true, false}, // but the last byte here is one
    {"report.", false, false},
    {"report ", false, false},
    {"a<b", false, false},
    {"a\"b", false, false},
    {"sub/report.txt", false, false},
    {"c:report.txt", false, false},
};

TEST(QuickTestRules, WhichNamesNeedWhichCall) {
    for (const PathCase& c : kPathCases) {
        EXPECT_EQ(NeedsFindFirstFile(c.path), c.needsFindFirstFile) << c.path;
        EXPECT_EQ(ListingCanAnswer(c.path), c.listingCanAnswer) << c.path;
    }
}

struct MatchCase {
    const char* name;
    const char* entry;
    bool couldMatch;
};

const MatchCase kMatchCases[] = {
    {"report.txt", "report.txt", true},
    {"report.txt", "REPORT.TXT", true},
    {"report.txt", "report.txt2", false},
    {"report.txt", "rep0rt.txt", false},
    {"report.txt", "report.tx", false},
    {"\xB1\xA8\xB8\xE6.txt", "\xB1\xA8\xB8\xE6.txt", true}, // 报告.txt
    {"\xA3\xC1.txt", "\xA3\xE1.txt", true},                 // full-width A and a
    {"a.txt", "\xA3\xC1.txt", true},                        // one character against one
    {"ab.txt", "\xA3\xC1.txt", false},
    {"report.txt", "rep?rt.txt", true}, // a name the code page cannot show
};

TEST(QuickTestRules, WhichEntriesCouldBeTheName) {
    for (const MatchCase& c : kMatchCases)
        EXPECT_EQ(CouldBeName(c.name, c.entry), c.couldMatch) << c.name << " / " << c.entry;
}

} // namespace
