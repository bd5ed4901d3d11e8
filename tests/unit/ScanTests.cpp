#include "search/DiskSearch.h"

#include "FixtureDrives.h"
#include "ui/Texts.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Keeps what the search reports, in order.
class RecordingReport final : public SearchReport {
  public:
    void AddResult(const Text& path) override { results.push_back(path); }
    void ShowStatus(const Text& status) override { statuses.push_back(status); }

    std::vector<Text> results;
    std::vector<Text> statuses;
};

const Text kFound = texts::kFound;
const Text kNotFound = texts::kNotFound;

using Trail = std::vector<Text>;

Trail Concat(Trail first, const Trail& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// D: holds the chain a\b\c; a search that misses shows each folder once it is finished.
const Trail kChainMiss = {kNotFound, "D:\\a\\b\\c", kNotFound, "D:\\a\\b",
                          kNotFound, "D:\\a",       kNotFound};

// The trees are laid out by make-fixtures.sh; see there what each drive holds.
class Scan : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(DrivesAreMapped("DEFGHI"));
        ASSERT_FALSE(SearchFound) << "no search runs, so nothing can be found";
    }
    void TearDown() override { SearchFound = false; }

    RecordingReport Search(const std::vector<Text>& roots, const Text& name) {
        RecordingReport report;
        SearchDrives(roots, name, report);
        EXPECT_FALSE(SearchFound) << "every search ends with SearchFound cleared";
        return report;
    }
};

TEST_F(Scan, MissOnAChainShowsEachFolderAfterItsSubtree) {
    const RecordingReport report = Search({"D:\\"}, "absent.txt");
    EXPECT_EQ(report.results, std::vector<Text>{});
    EXPECT_EQ(report.statuses, kChainMiss);
}

TEST_F(Scan, TestsAFolderForTheNameBeforeEnteringIt) {
    // deep.txt is in D:\a\b and in D:\a\b\c: the shallower one is met first.
    const RecordingReport report = Search({"D:\\"}, "deep.txt");
    EXPECT_EQ(report.results, std::vector<Text>{"D:\\a\\b\\deep.txt"});
    EXPECT_EQ(report.statuses, (Trail{kFound, "D:\\a", kFound}));
}

TEST_F(Scan, HitBelowARootEndsEveryLevelWithFound) {
    const RecordingReport report = Search({"E:\\"}, "hit.txt");
    EXPECT_EQ(report.results, std::vector<Text>{"E:\\p\\q\\hit.txt"});
    EXPECT_EQ(report.statuses, (Trail{kFound, "E:\\p", kFound}));
}

TEST_F(Scan, ScanDirectoryLeavesTheFlagSetAfterAHit) {
    RecordingReport report;
    ScanDirectory("E:\\", "hit.txt", report);
    EXPECT_TRUE(SearchFound) << "only the drive loop clears it";
    EXPECT_EQ(report.results, std::vector<Text>{"E:\\p\\q\\hit.txt"});
}

TEST_F(Scan, ScanDirectoryWithTheFlagSetLooksAtNothing) {
    SearchFound = true;
    RecordingReport report;
    ScanDirectory("E:\\", "hit.txt", report);
    EXPECT_EQ(report.results, std::vector<Text>{});
    EXPECT_EQ(report.statuses, Trail{kFound});
}

TEST_F(Scan, HitAtARootIsTakenWithoutScanningThatDrive) {
    // top.txt lies at F:\ and in F:\sub; E: is never reached.
    const RecordingReport report = Search({"D:\\", "F:\\", "E:\\"}, "top.txt");
    EXPECT_EQ(report.results, std::vector<Text>{"F:\\top.txt"});
    EXPECT_EQ(report.statuses, Concat(kChainMiss, {kFound}));
}

TEST_F(Scan, HitOnTheSecondDriveOnly) {
    const RecordingReport report = Search({"D:\\", "E:\\"}, "hit.txt");
    EXPECT_EQ(report.results, std::vector<Text>{"E:\\p\\q\\hit.txt"});
    EXPECT_EQ(report.statuses, Concat(kChainMiss, {kFound, "E:\\p", kFound}));
}

TEST_F(Scan, FirstDriveInTheListWinsWhenTwoHoldTheName) {
    const RecordingReport report = Search({"E:\\", "D:\\"}, "deep.txt");
    EXPECT_EQ(report.results, std::vector<Text>{"E:\\p\\deep.txt"});
    EXPECT_EQ(report.statuses, Trail{kFound});
}

TEST_F(Scan, MissOnEveryDriveEndsWithNotFound) {
    const RecordingReport report = Search({"E:\\", "D:\\"}, "absent.txt");
    EXPECT_EQ(report.results, std::vector<Text>{});
    ASSERT_FALSE(report.statuses.empty());
    EXPECT_EQ(report.statuses.back(), kNotFound);
    const Trail dTail(report.statuses.end() - static_cast<long>(kChainMiss.size()),
                      report.statuses.end());
    EXPECT_EQ(dTail, kChainMiss) << "the second drive is walked to its end after the first";
}

TEST_F(Scan, NoRootsSearchesNothing) {
    const RecordingReport report = Search({}, "hit.txt");
    EXPECT_EQ(report.results, std::vector<Text>{});
    EXPECT_EQ(report.statuses, Trail{});
}

TEST_F(Scan, NameWithABackslashIsARelativePathBelowEachFolder) {
    const RecordingReport report = Search({"D:\\", "E:\\"}, "q\\hit.txt");
    EXPECT_EQ(report.results, std::vector<Text>{"E:\\p\\q\\hit.txt"});
    EXPECT_EQ(report.statuses, Concat(kChainMiss, {kFound}));
}

TEST_F(Scan, NameWithWildcardsIsReportedAsTyped) {
    const RecordingReport report = Search({"D:\\", "E:\\"}, "h?t.*");
    EXPECT_EQ(report.results, std::vector<Text>{"E:\\p\\q\\h?t.*"});
}

TEST_F(Scan, NameInOtherLetterCaseIsReportedAsTyped) {
    const RecordingReport report = Search({"E:\\"}, "HiT.TXT");
    EXPECT_EQ(report.results, std::vector<Text>{"E:\\p\\q\\HiT.TXT"});
}

TEST_F(Scan, FoldersWhoseNamesBeginWithADotAreNeverEntered) {
    // G:\.cache and G:\... hold target.txt, at their top and deeper; only G:\plain is walked.
    const RecordingReport report = Search({"G:\\"}, "target.txt");
    EXPECT_EQ(report.results, std::vector<Text>{});
    EXPECT_EQ(report.statuses, (Trail{kNotFound, "G:\\plain", kNotFound}));
}

TEST_F(Scan, NameBeginningWithADotIsFound) {
    const RecordingReport report = Search({"G:\\"}, ".secret");
    EXPECT_EQ(report.results, std::vector<Text>{"G:\\plain\\.secret"});
    EXPECT_EQ(report.statuses, Trail{kFound});
}

// Folder names of H:\top in the order the system lists them, by the system calls themselves.
std::vector<Text> ListedFolders(const Text& folder) {
    std::vector<Text> names;
    WIN32_FIND_DATAA data;
    const HANDLE find = FindFirstFileA(JoinText(folder, "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && data.cFileName[0] != '.')
            names.emplace_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

TEST_F(Scan, UnlistableFolderEndsItsLevelAndItsParentGoesOn) {
    // H:\top\locked (mode 000) holds target.txt and inner\target.txt; H:\top\open is empty.
    WIN32_FIND_DATAA data;
    const HANDLE probe = FindFirstFileA("H:\\top\\locked\\*", &data);
    if (probe != INVALID_HANDLE_VALUE)
        FindClose(probe);
    ASSERT_EQ(probe, INVALID_HANDLE_VALUE)
        << "H:\\top\\locked can be listed, so this test cannot show anything: the wineserver "
           "runs with CAP_DAC_OVERRIDE or CAP_DAC_READ_SEARCH (test-session.sh drops them)";

    const std::vector<Text> children = ListedFolders("H:\\top\\");
    ASSERT_EQ(children.size(), 2u);
    Trail expected;
    for (const Text& child : children)
        expected = Concat(expected, {kNotFound, JoinText("H:\\top\\", child)});
    expected = Concat(expected, {kNotFound, "H:\\top", kNotFound});

    const RecordingReport report = Search({"H:\\"}, "target.txt");
    EXPECT_EQ(report.results, std::vector<Text>{});
    EXPECT_EQ(report.statuses, expected);
}

TEST_F(Scan, LinkLoopEndsWithoutACrash) {
    // I:\loop links to I:\ itself, so I:\loop\loop\... never ends on its own; the system stops
    // following the links, or the path grows too long, and the recursion ends there.
    const RecordingReport report = Search({"I:\\"}, "nothing.txt");
    EXPECT_EQ(report.results, std::vector<Text>{});
    ASSERT_FALSE(report.statuses.empty());
    EXPECT_EQ(report.statuses.back(), kNotFound);

    size_t deepest = 0;
    for (const Text& status : report.statuses) {
        if (status == kNotFound)
            continue;
        EXPECT_EQ(status.rfind("I:\\loop", 0), 0u) << status;
        deepest = std::max(deepest, status.size());
    }
    const size_t levels = (deepest - 2) / 5; // each level adds "\loop"
    EXPECT_GE(levels, 8u) << "the loop was followed for a while";
    EXPECT_LE(deepest, 260u) << "no path beyond the system's limit was listed";
}

TEST_F(Scan, NoPathBeyondTheSystemLimitIsTested) {
    // L: is one chain of 60-byte folder names: near.txt has a path of 255 bytes, far.txt of 315.
    ASSERT_TRUE(DriveIsMapped('L'));
    const RecordingReport reachable = Search({"L:\\"}, "near.txt");
    ASSERT_EQ(reachable.results.size(), 1u);
    EXPECT_EQ(reachable.results[0].size(), 255u);

    const RecordingReport beyond = Search({"L:\\"}, "far.txt");
    EXPECT_EQ(beyond.results, std::vector<Text>{});
    ASSERT_EQ(beyond.statuses.size(), 11u) << "every level of the chain shows its folder";
    EXPECT_EQ(beyond.statuses[1].size(), 3u + 5 * 61 - 1) << "the deepest folder was reached";
    EXPECT_EQ(beyond.statuses.back(), kNotFound);
}

TEST_F(Scan, TwoSearchesInARowEachFindTheirOwnName) {
    const RecordingReport first = Search({"D:\\", "E:\\"}, "hit.txt");
    EXPECT_EQ(first.results, std::vector<Text>{"E:\\p\\q\\hit.txt"});
    const RecordingReport second = Search({"D:\\", "E:\\"}, "deep.txt");
    EXPECT_EQ(second.results, std::vector<Text>{"D:\\a\\b\\deep.txt"});
    EXPECT_EQ(second.statuses, (Trail{kFound, "D:\\a", kFound}));
}

} // namespace
