#include "search/FileSystem.h"

#include "common/Faults.h"
#include "ui/FatalError.h"
#include "ui/Texts.h"

#include <cstdio>

namespace {

using GetDriveStringsFn = DWORD(WINAPI*)(DWORD, LPSTR);

constexpr char kDriveLibrary[] = "kernel32.dll";
constexpr char kDriveFunction[] = "GetLogicalDriveStringsA";

GetDriveStringsFn BindGetDriveStrings() {
    FARPROC address = nullptr;
    if (const HMODULE library = LoadLibraryA(kDriveLibrary); library && !FaultRequested("drives"))
        address = GetProcAddress(library, kDriveFunction);
    if (!address) {
        char message[256];
        std::snprintf(message, sizeof message, texts::kMissingExport, kDriveLibrary,
                      kDriveFunction);
        ReportFatalError(message);
    }
    return reinterpret_cast<GetDriveStringsFn>(reinterpret_cast<void*>(address));
}

} // namespace

std::vector<Text> SplitDriveList(std::string_view buffer, unsigned long length) {
    std::vector<Text> roots;
    const std::string_view kept = buffer.substr(0, std::min<size_t>(length, buffer.size()));
    size_t start = 0;
    while (start < kept.size()) {
        const size_t zero = kept.find('\0', start);
        if (zero == std::string_view::npos) {
            roots.emplace_back(kept.substr(start));
            break;
        }
        roots.emplace_back(kept.substr(start, zero - start));
        start = zero + 1;
    }
    return roots;
}

std::vector<Text> ListLogicalDrives() {
    static const GetDriveStringsFn getDriveStrings = BindGetDriveStrings();
    char buffer[256] = {};
    const DWORD length = getDriveStrings(sizeof buffer, buffer);
    return SplitDriveList(std::string_view(buffer, sizeof buffer), length);
}

bool PathExists(const Text& path) {
    WIN32_FIND_DATAA data;
    return static_cast<bool>(OwnedFind(FindFirstFileA(path.c_str(), &data)));
}

Text DirectoryFinder::FindFirst(const Text& pattern, DWORD mask) {
    find_.reset(FindFirstFileA(pattern.c_str(), &entry_));
    if (!find_)
        return {};
    if (Passes(entry_.dwFileAttributes, mask))
        return entry_.cFileName;
    return NextPassing(mask);
}

Text DirectoryFinder::FindNext(DWORD mask) {
    if (!find_)
        return {};
    return NextPassing(mask);
}

Text DirectoryFinder::NextPassing(DWORD mask) {
    while (FindNextFileA(find_.get(), &entry_)) {
        if (Passes(entry_.dwFileAttributes, mask))
            return entry_.cFileName;
    }
    find_.reset(); // the end, or an error treated as the end
    return {};
}
