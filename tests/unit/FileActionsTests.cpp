#include "actions/FileActions.h"

#include "FixtureDrives.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

struct DestinationCase {
    const char* label;
    Text source;
    Text folder;
    Text destination;
};

const DestinationCase kDestinationCases[] = {
    {"folder without a final backslash", "D:\\a\\f.txt", "E:\\dst", "E:\\dst\\f.txt"},
    {"folder ending in a backslash", "D:\\a\\f.txt", "E:\\", "E:\\\\f.txt"},
    {"empty folder", "D:\\a\\f.txt", "", "\\f.txt"},
    {"source without a backslash", "f.txt", "E:\\dst", "E:\\dst\\f.txt"},
    {"source ending in one backslash", "D:\\a\\", "E:\\dst", "E:\\dst\\a"},
    {"source ending in two backslashes", "D:\\a\\\\", "E:\\dst", "E:\\dst\\"},
    {"empty source", "", "E:\\dst", "E:\\dst\\"},
    {"trail byte 0x5C inside names", "D:\\誠\\b誠.txt", "E:\\dst", "E:\\dst\\b誠.txt"},
};

TEST(CopyDestination, Cases) {
    for (const auto& c : kDestinationCases)
        EXPECT_EQ(CopyDestination(c.source, c.folder), c.destination) << c.label;
}

// Removes a folder of the test with everything in it, read-only files included.
void RemoveTree(const Text& folder) {
    WIN32_FIND_DATAA data;
    const HANDLE find = FindFirstFileA(JoinText(folder, "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const Text name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            const Text path = JoinText(folder, "\\", name);
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

// A folder of its own on the scratch drive K:, named after the test, with src\report.txt and an
// empty dst.
class FileActions : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(DriveIsMapped('K'));
        folder_ = JoinText("K:\\", ::testing::UnitTest::GetInstance()->current_test_info()->name());
        src_ = JoinText(folder_, "\\src");
        dst_ = JoinText(folder_, "\\dst");
        source_ = JoinText(src_, "\\report.txt");
        copied_ = JoinText(dst_, "\\report.txt");
        RemoveTree(folder_);
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(src_.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(dst_.c_str(), nullptr));
        ASSERT_TRUE(WriteWholeFile(source_, kOriginal));
    }

    void TearDown() override { RemoveTree(folder_); }

    // The copy fails with the expected reason, and the reason reads as a sentence.
    void ExpectCopyFails(const Text& destination, DWORD expectedError) {
        SetLastError(0);
        EXPECT_FALSE(CopyFileTo(source_, destination)) << source_ << " -> " << destination;
        const DWORD error = GetLastError();
        EXPECT_EQ(error, expectedError);
        ExpectReadableReason(error);
    }

    static void ExpectReadableReason(DWORD error) {
        const Text reason = SystemErrorText(error);
        ASSERT_FALSE(reason.empty()) << error;
        EXPECT_NE(reason[0], '#') << "the system has a text for error " << error;
        EXPECT_NE(reason.back(), '\n') << reason;
        EXPECT_NE(reason.back(), '\r') << reason;
    }

    static constexpr char kOriginal[] = "the file the search found\r\n";
    Text folder_;
    Text src_;
    Text dst_;
    Text source_; // src\report.txt
    Text copied_; // dst\report.txt
};

TEST_F(FileActions, CopyLandsInTheFolderAndKeepsTheSource) {
    const Text destination = CopyDestination(source_, dst_);
    ASSERT_EQ(destination, copied_);
    EXPECT_TRUE(CopyFileTo(source_, destination));
    EXPECT_EQ(ReadWholeFile(copied_), kOriginal);
    EXPECT_EQ(ReadWholeFile(source_), kOriginal);
}

TEST_F(FileActions, CopyReplacesAFileAlreadyThere) {
    ASSERT_TRUE(WriteWholeFile(copied_, "an older file of the same name"));
    EXPECT_TRUE(CopyFileTo(source_, CopyDestination(source_, dst_)));
    EXPECT_EQ(ReadWholeFile(copied_), kOriginal);
}

TEST_F(FileActions, CopyIntoAFolderEndingInABackslash) {
    const Text destination = CopyDestination(source_, JoinText(dst_, "\\"));
    ASSERT_EQ(destination, JoinText(dst_, "\\\\report.txt"));
    EXPECT_TRUE(CopyFileTo(source_, destination));
    EXPECT_EQ(ReadWholeFile(copied_), kOriginal);
}

TEST_F(FileActions, CopyWithAnEmptyFolderLandsAtTheRootOfTheCurrentDrive) {
    // The current drive is K:, whose root is the scratch fixture folder.
    char previous[MAX_PATH] = {};
    ASSERT_GT(GetCurrentDirectoryA(sizeof previous, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(src_.c_str()));
    const Text name =
        JoinText(::testing::UnitTest::GetInstance()->current_test_info()->name(), ".txt");
    const Text source = JoinText(src_, "\\", name);
    ASSERT_TRUE(WriteWholeFile(source, kOriginal));
    const Text destination = CopyDestination(source, "");
    ASSERT_EQ(destination, JoinText("\\", name));

    const bool copied = CopyFileTo(source, destination);
    const Text atRoot = JoinText("K:\\", name);
    const Text landed = ReadWholeFile(atRoot);
    DeleteFileA(atRoot.c_str());
    SetCurrentDirectoryA(previous);
    EXPECT_TRUE(copied);
    EXPECT_EQ(landed, kOriginal);
}

TEST_F(FileActions, CopyOfAMissingSourceFails) {
    const Text missing = JoinText(src_, "\\missing.txt");
    SetLastError(0);
    EXPECT_FALSE(CopyFileTo(missing, CopyDestination(missing, dst_)));
    const DWORD error = GetLastError();
    EXPECT_EQ(error, DWORD{ERROR_FILE_NOT_FOUND});
    ExpectReadableReason(error);
    EXPECT_FALSE(FileExists(JoinText(dst_, "\\missing.txt")));
}

TEST_F(FileActions, CopyOntoAReadOnlyFileFails) {
    ASSERT_TRUE(WriteWholeFile(copied_, "read-only"));
    ASSERT_TRUE(SetFileAttributesA(copied_.c_str(), FILE_ATTRIBUTE_READONLY));
    ExpectCopyFails(copied_, ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadWholeFile(copied_), "read-only");
    EXPECT_EQ(ReadWholeFile(source_), kOriginal);
}

TEST_F(FileActions, CopyOfASourceLockedByAnotherHandleFails) {
    const HANDLE lock = CreateFileA(source_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    ExpectCopyFails(copied_, ERROR_SHARING_VIOLATION);
    CloseHandle(lock);
    EXPECT_FALSE(FileExists(copied_));
    EXPECT_EQ(ReadWholeFile(source_), kOriginal);
}

TEST_F(FileActions, CopyIntoAMissingFolderFails) {
    const Text destination = CopyDestination(source_, JoinText(folder_, "\\no-such-folder"));
    ExpectCopyFails(destination, ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(IsDirectory(JoinText(folder_, "\\no-such-folder")));
    EXPECT_EQ(ReadWholeFile(source_), kOriginal);
}

TEST_F(FileActions, DeleteRemovesTheFile) {
    EXPECT_TRUE(DeleteFileAt(source_));
    EXPECT_FALSE(FileExists(source_));
    EXPECT_TRUE(IsDirectory(src_));
}

TEST_F(FileActions, DeleteOfAMissingFileFails) {
    SetLastError(0);
    EXPECT_FALSE(DeleteFileAt(JoinText(src_, "\\missing.txt")));
    const DWORD error = GetLastError();
    EXPECT_EQ(error, DWORD{ERROR_FILE_NOT_FOUND});
    ExpectReadableReason(error);
    EXPECT_EQ(ReadWholeFile(source_), kOriginal);
}

TEST_F(FileActions, DeleteOfAFolderFails) {
    SetLastError(0);
    EXPECT_FALSE(DeleteFileAt(dst_));
    const DWORD error = GetLastError();
    EXPECT_NE(error, DWORD{ERROR_SUCCESS});
    ExpectReadableReason(error);
    EXPECT_TRUE(IsDirectory(dst_));
}

TEST(SystemErrorText, UnknownCodeGivesItsNumber) {
    EXPECT_EQ(SystemErrorText(0x2000FFFF), "#536936447");
}

} // namespace
