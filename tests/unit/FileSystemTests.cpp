#include "search/FileSystem.h"

#include "FixtureDrives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>
#include <utility>

namespace {

using namespace std::string_view_literals;

struct DriveListCase {
    const char* label;
    std::string_view buffer;
    unsigned long length;
    std::vector<Text> roots;
};

const DriveListCase kDriveListCases[] = {
    {"two roots and the final zero", "C:\\\0D:\\\0\0\0\0\0"sv, 8, {"C:\\", "D:\\"}},
    {"zero length", "C:\\\0D:\\\0\0"sv, 0, {}},
    {"exact fit, no zero inside the length", "C:\\\0D:\\"sv, 7, {"C:\\", "D:\\"}},
    {"length beyond the buffer", "C:\\\0D:\\\0"sv, 300, {"C:\\", "D:\\"}},
    {"length cuts a root", "C:\\\0D:\\\0\0"sv, 5, {"C:\\", "D"}},
    {"adjacent zeros give an empty root", "C:\\\0\0D:\\\0"sv, 8, {"C:\\", "", "D:\\"}},
    {"bytes after the length are ignored", "C:\\\0D:\\\0E:\\\0"sv, 4, {"C:\\"}},
};

TEST(SplitDriveList, Cases) {
    for (const auto& c : kDriveListCases)
        EXPECT_EQ(SplitDriveList(c.buffer, c.length), c.roots) << c.label;
}

TEST(ListLogicalDrives, GivesTheMappedLettersInOrder) {
    ASSERT_TRUE(DrivesAreMapped("DEFGHIJKL"));
    const std::vector<Text> expected = {"C:\\", "D:\\", "E:\\", "F:\\", "G:\\",
                                        "H:\\", "I:\\", "J:\\", "K:\\", "L:\\"};
    EXPECT_EQ(ListLogicalDrives(), expected);
}

struct PassesCase {
    const char* label;
    DWORD attributes;
    DWORD mask;
    bool passes;
};

const PassesCase kPassesCases[] = {
    {"directory", FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY, true},
    {"hidden directory", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_DIRECTORY,
     true},
    {"system read-only directory",
     FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY,
     FILE_ATTRIBUTE_DIRECTORY, true},
    {"reparse-point directory", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT,
     FILE_ATTRIBUTE_DIRECTORY, true},
    {"plain file", FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_DIRECTORY, false},
    {"archived file", FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_DIRECTORY, false},
    {"read-only hidden file", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN,
     FILE_ATTRIBUTE_DIRECTORY, false},
    {"read-only file, read-only mask", FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY, true},
    {"archived file, all bits", FILE_ATTRIBUTE_ARCHIVE, 0xFFFFFFFF, true},
    {"no mask", FILE_ATTRIBUTE_DIRECTORY, 0, false},
    {"normal bit is outside 0x37", FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_NORMAL, false},
    {"volume-label bit is outside 0x37", 0x08, 0x08, false},
    {"device bit is outside 0x37", FILE_ATTRIBUTE_DEVICE, FILE_ATTRIBUTE_DEVICE, false},
    {"reparse bit is outside 0x37", FILE_ATTRIBUTE_REPARSE_POINT, FILE_ATTRIBUTE_REPARSE_POINT,
     false},
    {"only outside bits shared, all bits", FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_REPARSE_POINT,
     0xFFFFFFFF, false},
};

TEST(DirectoryFinderPasses, Cases) {
    for (const auto& c : kPassesCases)
        EXPECT_EQ(DirectoryFinder::Passes(c.attributes, c.mask), c.passes) << c.label;
}

// The finder enumerates J:\finder: folders alpha, beta and .dotdir, a link to alpha, the files
// one.txt and two.dat and a link to one.txt.
class DirectoryFinderOnDisk : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(DriveIsMapped('J')); }

    static std::vector<Text> Drain(DirectoryFinder& finder, Text first) {
        std::vector<Text> names;
        for (Text name = std::move(first); !name.empty(); name = finder.FindNext(kDirectories))
            names.push_back(name);
        std::sort(names.begin(), names.end());
        return names;
    }

    static constexpr DWORD kDirectories = FILE_ATTRIBUTE_DIRECTORY;
    const Text folder_ = "J:\\finder\\";
};

TEST_F(DirectoryFinderOnDisk, YieldsOnlyDirectoriesThenEmpty) {
    DirectoryFinder finder;
    const std::vector<Text> names = Drain(finder, finder.FindFirst(folder_ + "*.*", kDirectories));
    const std::vector<Text> expected = {".", "..", ".dotdir", "alpha", "beta", "dirlink"};
    EXPECT_EQ(names, expected);
    EXPECT_EQ(finder.FindNext(kDirectories), "") << "the end stays the end";
}

using FindCloseFn = BOOL(WINAPI*)(HANDLE);

// The slot of this program's import table through which its code calls kernel32's FindClose.
FindCloseFn* FindCloseSlot() {
    auto* const base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* dll =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         dll->Name; ++dll) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + dll->Name), "kernel32.dll") != 0)
            continue;
        auto* name = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
        for (; name->u1.AddressOfData; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal))
                continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (std::string_view(reinterpret_cast<const char*>(byName->Name)) == "FindClose")
                return reinterpret_cast<FindCloseFn*>(&slot->u1.Function);
        }
    }
    return nullptr;
}

// The finder's handle: while an enumeration runs the system refuses to remove its folder (an
// empty scratch folder on K:), and every FindClose the program makes is counted.
class FinderHandle : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(DriveIsMapped('K'));
        RemoveDirectoryA(folder_.c_str());
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
        slot_ = FindCloseSlot();
        ASSERT_NE(slot_, nullptr) << "FindClose is not imported from kernel32.dll";
        Redirect(&CountingFindClose);
    }
    void TearDown() override {
        if (original_)
            Redirect(original_);
        RemoveDirectoryA(folder_.c_str());
    }

    void Redirect(FindCloseFn target) {
        DWORD protection = 0;
        VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &protection);
        FindCloseFn previous = std::exchange(*slot_, target);
        VirtualProtect(slot_, sizeof *slot_, protection, &protection);
        if (!original_)
            original_ = previous;
    }

    static BOOL WINAPI CountingFindClose(HANDLE handle) {
        ++closes_;
        return original_(handle);
    }

    bool Removable() {
        if (!RemoveDirectoryA(folder_.c_str()))
            return false;
        CreateDirectoryA(folder_.c_str(), nullptr);
        return true;
    }

    static inline FindCloseFn original_ = nullptr;
    static inline int closes_ = 0;
    FindCloseFn* slot_ = nullptr;
    const Text folder_ = "K:\\finder-handle";
    const Text pattern_ = "K:\\finder-handle\\*.*";
};

TEST_F(FinderHandle, IsHeldWhileTheEnumerationRunsAndClosedAtItsEnd) {
    DirectoryFinder finder;
    ASSERT_NE(finder.FindFirst(pattern_, FILE_ATTRIBUTE_DIRECTORY), "");
    EXPECT_FALSE(Removable()) << "the open enumeration holds the folder";
    closes_ = 0;
    while (!finder.FindNext(FILE_ATTRIBUTE_DIRECTORY).empty()) {
    }
    EXPECT_EQ(closes_, 1) << "the finder closed its handle at the end, not later";
    EXPECT_TRUE(Removable());
    finder.Close();
    EXPECT_EQ(finder.FindNext(FILE_ATTRIBUTE_DIRECTORY), "");
    EXPECT_EQ(closes_, 1) << "nothing is closed twice";
}

TEST_F(FinderHandle, IsClosedByClose) {
    DirectoryFinder finder;
    ASSERT_NE(finder.FindFirst(pattern_, FILE_ATTRIBUTE_DIRECTORY), "");
    closes_ = 0;
    finder.Close();
    EXPECT_EQ(closes_, 1);
    EXPECT_TRUE(Removable());
    EXPECT_EQ(finder.FindNext(FILE_ATTRIBUTE_DIRECTORY), "") << "a closed finder yields the end";
}

TEST_F(FinderHandle, IsClosedByAnotherFindFirst) {
    DirectoryFinder finder;
    ASSERT_NE(finder.FindFirst(pattern_, FILE_ATTRIBUTE_DIRECTORY), "");
    closes_ = 0;
    ASSERT_NE(finder.FindFirst("J:\\finder\\*.*", FILE_ATTRIBUTE_DIRECTORY), "");
    EXPECT_EQ(closes_, 1);
    EXPECT_TRUE(Removable()) << "the first enumeration was closed before the second began";
}

TEST_F(FinderHandle, IsClosedWhenNoEntryPasses) {
    DirectoryFinder finder;
    closes_ = 0;
    EXPECT_EQ(finder.FindFirst(pattern_, FILE_ATTRIBUTE_READONLY), "");
    EXPECT_EQ(closes_, 1);
    EXPECT_TRUE(Removable());
}

TEST_F(FinderHandle, PathExistsClosesItsHandle) {
    closes_ = 0;
    EXPECT_TRUE(PathExists(pattern_));
    EXPECT_FALSE(PathExists("K:\\finder-handle\\missing.txt"));
    EXPECT_EQ(closes_, 1) << "one close for the one handle opened";
    EXPECT_TRUE(Removable());
}

TEST_F(DirectoryFinderOnDisk, SkipsEntriesThatDoNotPassBeforeTheFirst) {
    DirectoryFinder finder;
    EXPECT_EQ(finder.FindFirst(folder_ + "one.txt", kDirectories), "");
    EXPECT_EQ(finder.FindFirst(folder_ + "*.txt", kDirectories), "");
    EXPECT_EQ(Drain(finder, finder.FindFirst(folder_ + "al*", kDirectories)),
              std::vector<Text>{"alpha"});
}

TEST_F(DirectoryFinderOnDisk, FilesPassAFileMask) {
    DirectoryFinder finder;
    const Text first = finder.FindFirst(folder_ + "t*", FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(first, "two.dat");
    EXPECT_EQ(finder.FindNext(FILE_ATTRIBUTE_ARCHIVE), "");
}

TEST_F(DirectoryFinderOnDisk, NothingMatchingGivesEmpty) {
    DirectoryFinder finder;
    EXPECT_EQ(finder.FindFirst(folder_ + "nothing*", kDirectories), "");
    EXPECT_EQ(finder.FindFirst("J:\\no-such-folder\\*.*", kDirectories), "");
    EXPECT_EQ(finder.FindNext(kDirectories), "");
}

struct ExistsCase {
    const char* path;
    bool exists;
};

// E:\p\q\hit.txt, the empty folder E:\p\q\r and the file E:\p\deep.txt.
const ExistsCase kExistsCases[] = {
    {"E:\\p\\q\\hit.txt", true},
    {"E:\\p\\q\\h?t.txt", true},
    {"E:\\p\\q\\hit.t?t", true},
    {"E:\\p\\q\\*.txt", true},
    {"E:\\p\\q\\*", true},
    {"E:\\p\\q\\hit*", true},
    {"E:\\p\\q\\*.doc", false},
    {"E:\\p\\q\\h??.txt", true},
    {"E:\\p\\q\\h?.txt", false},
    {"E:\\p\\q\\HIT.TXT", true},
    {"E:\\p\\q", true},
    {"E:\\p\\q\\r", true},
    {"E:\\p", true},
    {"E:\\p\\deep.txt", true},
    {"E:\\p\\q\\deep.txt", false},
    {"E:\\p\\q\\hit", false},
    {"E:\\p\\q\\hit.txt.bak", false},
    {"E:\\p\\missing\\hit.txt", false},
    {"E:\\missing", false},
    {"Y:\\hit.txt", false},
    {"", false},
};

TEST(PathExists, Cases) {
    ASSERT_TRUE(DriveIsMapped('E'));
    for (const auto& c : kExistsCases)
        EXPECT_EQ(PathExists(c.path), c.exists) << c.path;
}

} // namespace
