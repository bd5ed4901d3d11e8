// The file-system calls of the disk search: the drive list, directory enumeration and the
// existence test.
#pragma once

#include "common/Owned.h"
#include "common/Text.h"

#include <windows.h>

#include <string_view>
#include <vector>

// The roots of all logical drives ("C:\", ...), in the operating system's order. The system call
// is bound by name on first use; a failed binding ends the program through the fatal report.
std::vector<Text> ListLogicalDrives();

// Splits the first `length` bytes of a drive-list buffer at its zero bytes.
std::vector<Text> SplitDriveList(std::string_view buffer, unsigned long length);

// True when at least one file or directory matches path (wildcards included).
bool PathExists(const Text& path);

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { FindClose(handle); }
};
using OwnedFind = Owned<FindHandleTraits>;

// One enumeration of a directory, yielding only the entries whose attributes share a bit with
// (mask & 0x37). Each name is a bare entry name; "" means the end.
class DirectoryFinder {
  public:
    Text FindFirst(const Text& pattern, DWORD mask);
    Text FindNext(DWORD mask);
    void Close() { find_.reset(); }

    static bool Passes(DWORD attributes, DWORD mask) { return (attributes & mask & 0x37) != 0; }

  private:
    Text NextPassing(DWORD mask);

    OwnedFind find_;
    WIN32_FIND_DATAA entry_{};
};
