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

// True when a failed GetFileAttributesA on path does not prove that FindFirstFileA finds nothing:
// wildcards, a final separator, or a device name (NUL, CON, COM1, ...) as any component.
bool NeedsFindFirstFile(const Text& path);

// The answer of PathExists, mostly at the cost of one attribute query: a miss that
// GetFileAttributesA reports as file or path not found is taken as is; any other error, any path
// NeedsFindFirstFile names and every hit are left to PathExists, since the attribute query
// succeeds where FindFirstFileA cannot list (a directory that may be traversed but not read).
bool QuickPathExists(const Text& path);

// True when a listing of one directory, read to its end, can prove that name is not in it: a
// single component free of wildcards, separators, device names and the trailing dots and spaces
// that the system strips before it looks a name up.
bool ListingCanAnswer(const Text& name);

// False only when no file-name match of the system (letter case folded, short names aside) can
// pair name with entry; any character beyond ASCII, on either side, counts as a possible match.
bool CouldBeName(const Text& name, const char* entry);

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

    // While watching, every entry read, passing or not, is checked with CouldBeName against name
    // (by long and short name); name must outlive the watch.
    void WatchFor(const Text& name) { watched_ = &name; }
    void StopWatching() { watched_ = nullptr; }
    bool SawPossibleMatch() const { return sawMatch_; }
    // True once the enumeration has ended normally, not through an error.
    bool RanToEnd() const { return ranToEnd_; }

    static bool Passes(DWORD attributes, DWORD mask) { return (attributes & mask & 0x37) != 0; }

  private:
    Text NextPassing(DWORD mask);
    void Watch();

    OwnedFind find_;
    WIN32_FIND_DATAA entry_{};
    const Text* watched_ = nullptr;
    bool sawMatch_ = false;
    bool ranToEnd_ = false;
};
