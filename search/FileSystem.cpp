#include "search/FileSystem.h"

#include "common/Faults.h"
#include "ui/FatalError.h"
#include "ui/Texts.h"

#include <cctype>
#include <cstdio>
#include <cstring>

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

// The system opens a device for these base names, whatever the folder and the extension.
bool IsDeviceName(std::string_view component) {
    std::string_view base = component.substr(0, component.find('.'));
    while (!base.empty() && (base.back() == ' ' || base.back() == ':'))
        base.remove_suffix(1);
    char upper[8] = {};
    if (base.size() >= sizeof upper)
        return false;
    for (size_t i = 0; i < base.size(); ++i)
        upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(base[i])));
    const std::string_view name(upper, base.size());
    if (name == "CON" || name == "PRN" || name == "AUX" || name == "NUL" || name == "CONIN$" ||
        name == "CONOUT$" || name == "CLOCK$")
        return true;
    return name.size() == 4 && (name.starts_with("COM") || name.starts_with("LPT")) &&
           std::isdigit(static_cast<unsigned char>(name[3]));
}

bool IsSeparator(char byte) {
    return byte == '\\' || byte == '/' || byte == ':';
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

bool NeedsFindFirstFile(const Text& path) {
    // No byte of a two-byte character is below 0x40, so the wildcards cannot hide in one.
    if (path.find_first_of("*?") != Text::npos)
        return true;
    size_t start = 0;
    bool endsInSeparator = false;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
            ++i; // a second byte of 0x5C is not a separator
            endsInSeparator = false;
            continue;
        }
        endsInSeparator = path[i] == '\\' || path[i] == '/';
        if (IsSeparator(path[i])) {
            if (IsDeviceName(std::string_view(path).substr(start, i - start)))
                return true;
            start = i + 1;
        }
    }
    return endsInSeparator || IsDeviceName(std::string_view(path).substr(start));
}

bool QuickPathExists(const Text& path) {
    if (!NeedsFindFirstFile(path) && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return false;
    }
    return PathExists(path);
}

bool ListingCanAnswer(const Text& name) {
    if (name.empty() || NeedsFindFirstFile(name) || name.back() == '.' || name.back() == ' ')
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (IsDBCSLeadByte(byte) && i + 1 < name.size()) {
            ++i;
            continue;
        }
        // Besides the separators: the system's other wildcards, and bytes no file name holds.
        if (IsSeparator(name[i]) || byte < 0x20 || std::strchr("<>\"|", byte))
            return false;
    }
    return true;
}

bool CouldBeName(const Text& name, const char* entry) {
    // A character the code page cannot show comes out of the listing as "?".
    if (std::strchr(entry, '?'))
        return true;
    const auto step = [](const char*& at) {
        const bool wide = IsDBCSLeadByte(static_cast<BYTE>(*at)) && at[1] != '\0';
        at += wide ? 2 : 1;
    };
    const char* left = name.c_str();
    const char* right = entry;
    while (*left && *right) {
        const auto a = static_cast<unsigned char>(*left);
        const auto b = static_cast<unsigned char>(*right);
        if (a < 0x80 && b < 0x80 && std::tolower(a) != std::tolower(b))
            return false;
        step(left);
        step(right);
    }
    return *left == *right;
}

void DirectoryFinder::Watch() {
    if (watched_ && !sawMatch_)
        sawMatch_ =
            CouldBeName(*watched_, entry_.cFileName) ||
            (entry_.cAlternateFileName[0] && CouldBeName(*watched_, entry_.cAlternateFileName));
}

Text DirectoryFinder::FindFirst(const Text& pattern, DWORD mask) {
    sawMatch_ = false;
    ranToEnd_ = false;
    find_.reset(FindFirstFileA(pattern.c_str(), &entry_));
    if (!find_)
        return {};
    Watch();
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
        Watch();
        if (Passes(entry_.dwFileAttributes, mask))
            return entry_.cFileName;
    }
    ranToEnd_ = GetLastError() == ERROR_NO_MORE_FILES;
    find_.reset(); // the end, or an error treated as the end
    return {};
}
