#include "FixtureDrives.h"

#include <windows.h>

Text Root(char letter) {
    return JoinText(Text(1, letter), ":\\");
}

::testing::AssertionResult DriveIsMapped(char letter) {
    const char lower = static_cast<char>(letter | 0x20);
    const Text marker = JoinText(Root(letter), "varnelo-unit-", Text(1, lower), ".drive");
    if (GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "drive " << letter << ": does not point at the unit fixtures (" << marker
           << " is missing); run the tests through the unit.fixtures setup";
}

::testing::AssertionResult DrivesAreMapped(const char* letters) {
    for (const char* letter = letters; *letter; ++letter) {
        if (auto mapped = DriveIsMapped(*letter); !mapped)
            return mapped;
    }
    return ::testing::AssertionSuccess();
}

bool WriteWholeFile(const Text& path, const Text& content) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == content.size();
}

Text ReadWholeFile(const Text& path) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    Text content;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    CloseHandle(file);
    return content;
}

bool IsDirectory(const Text& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const Text& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
