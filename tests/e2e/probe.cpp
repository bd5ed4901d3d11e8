// A console program that the end-to-end tests run beside Varnelo to read its windows from outside,
// as a screen reader would. One subcommand per run, plain output, one window per line:
//
//   probe top                  every top-level window
//   probe children HWND        the direct children of a window
//   probe window HWND          the window itself
//   probe focus HWND           active, focus and foreground windows of the window's thread
//   probe msgbox EXE           the message box shown by the process of that program file name
//   probe settext HWND HEX     puts the bytes into the window with WM_SETTEXT
//   probe closebutton HWND     the screen rectangle of the title bar's close button
//   probe close HWND           posts WM_CLOSE (for cleaning up after a failed test)
//   probe selection HWND       the selection of an edit box: start=N end=N
//   probe treeitems HWND       the items of a tree view that are not inside collapsed branches
//   probe errortext CODE       the system's text for an error code, as FormatMessageA gives it
//   probe handles PID          how many handles the process holds: handles=N
//
// A window line is "key=value" fields separated by spaces: hwnd, pid, tid, exe (top-level only),
// id, class, style, exstyle, visible, enabled, rect (left,top,width,height relative to the parent's
// client area, or to the screen for a top-level window), screen (the outer rectangle on the
// screen), client (width,height of the client area), and last text, the window text's code page 936
// bytes in hex, so that the output is plain ASCII; "text=-" when the window's thread did not answer
// within 2 s (it is busy, for example searching), and the exit status is then 3. HWND arguments are
// numbers as printed.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The probe's answer when there is nothing of the kind asked for (no message box, no handle
// table). Not 1: Wine itself ends with 1, printing nothing, when a process fails to start.
constexpr int kNothing = 4;

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char byte : bytes) {
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

bool Unhex(const char* hex, std::string& bytes) {
    const size_t length = std::strlen(hex);
    if (length % 2)
        return false;
    for (size_t i = 0; i < length; i += 2) {
        char pair[3] = {hex[i], hex[i + 1], 0};
        char* end = nullptr;
        const long value = std::strtol(pair, &end, 16);
        if (*end)
            return false;
        bytes += static_cast<char>(value);
    }
    return true;
}

HWND ParseWindow(const char* text) {
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(text, nullptr, 0)));
}

// WM_GETTEXT reaches across processes (the system marshals it) and works for every control,
// the status bar included, which answers with the text of its first part. The window's thread
// answers only while it takes messages, so during a search the call waits; false when it did not
// answer in time.
bool ControlText(HWND window, std::string& text) {
    static bool busy = false; // once a thread has not answered, later windows are not asked
    if (busy)
        return false;
    busy = true;
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 2000, &length))
        return false;
    std::vector<char> buffer(length + 1024, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, buffer.size(),
                             reinterpret_cast<LPARAM>(buffer.data()), SMTO_NORMAL, 2000, &copied))
        return false;
    text.assign(buffer.data(), std::strlen(buffer.data()));
    busy = false;
    return true;
}

// A top-level window's caption is kept by the system, so reading it never waits for the window.
std::string Caption(HWND window) {
    std::vector<char> buffer(4096, '\0');
    GetWindowTextA(window, buffer.data(), static_cast<int>(buffer.size()));
    return buffer.data();
}

bool g_unanswered = false; // some window did not answer WM_GETTEXT: the exit status says so

std::string ClassOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string ProgramFileName(DWORD processId) {
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return "?";
    char path[MAX_PATH] = {};
    DWORD size = sizeof path;
    const BOOL known = QueryFullProcessImageNameA(process, 0, path, &size);
    CloseHandle(process);
    if (!known)
        return "?";
    const char* slash = std::strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

void PrintWindow(HWND window, bool topLevel) {
    DWORD processId = 0;
    const DWORD threadId = GetWindowThreadProcessId(window, &processId);
    RECT screen{};
    GetWindowRect(window, &screen);
    RECT place = screen;
    if (const HWND parent = GetAncestor(window, GA_PARENT); !topLevel && parent)
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&place), 2);
    std::printf("hwnd=0x%llx pid=%lu tid=%lu",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)), processId,
                threadId);
    if (topLevel)
        std::printf(" exe=%s", ProgramFileName(processId).c_str());
    std::printf(" id=%ld class=%s style=0x%lx exstyle=0x%lx visible=%d enabled=%d",
                static_cast<long>(GetWindowLongPtrA(window, GWLP_ID)), ClassOf(window).c_str(),
                static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)),
                static_cast<unsigned long>(GetWindowLongA(window, GWL_EXSTYLE)),
                IsWindowVisible(window) ? 1 : 0, IsWindowEnabled(window) ? 1 : 0);
    RECT client{};
    GetClientRect(window, &client);
    std::string text;
    bool answered = true;
    if (topLevel)
        text = Caption(window);
    else
        answered = ControlText(window, text);
    g_unanswered = g_unanswered || !answered;
    std::printf(" rect=%ld,%ld,%ld,%ld screen=%ld,%ld,%ld,%ld client=%ld,%ld text=%s\n", place.left,
                place.top, place.right - place.left, place.bottom - place.top, screen.left,
                screen.top, screen.right - screen.left, screen.bottom - screen.top, client.right,
                client.bottom, answered ? Hex(text).c_str() : "-");
}

// A named callback, not a lambda: on i686 EnumWindows needs the stdcall convention, so that the
// probe builds for the 32-bit program too.
BOOL CALLBACK CollectWindow(HWND window, LPARAM found) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<HWND> ChildrenOf(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

int ListTop() {
    for (HWND window : TopLevelWindows())
        PrintWindow(window, true);
    return 0;
}

int ListChildren(HWND parent) {
    if (!IsWindow(parent))
        return 2;
    for (HWND child : ChildrenOf(parent))
        PrintWindow(child, false);
    return 0;
}

int ShowWindowLine(HWND window) {
    if (!IsWindow(window))
        return 2;
    PrintWindow(window, GetAncestor(window, GA_PARENT) == GetDesktopWindow());
    return 0;
}

int ShowFocus(HWND window) {
    if (!IsWindow(window))
        return 2;
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
        return 3;
    auto number = [](HWND handle) {
        return static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(handle));
    };
    std::printf("active=0x%llx focus=0x%llx foreground=0x%llx capture=0x%llx\n",
                number(info.hwndActive), number(info.hwndFocus), number(GetForegroundWindow()),
                number(info.hwndCapture));
    return 0;
}

bool IsDialog(HWND window) {
    return ClassOf(window) == "#32770";
}

// The visible dialog of the named program: its caption, its text (the static that is not an
// icon), whether an icon is shown, and its buttons.
int ShowMessageBox(const char* exe) {
    for (HWND window : TopLevelWindows()) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        if (!IsDialog(window) || !IsWindowVisible(window) ||
            _stricmp(ProgramFileName(processId).c_str(), exe) != 0)
            continue;
        std::string text;
        bool icon = false;
        std::vector<HWND> buttons;
        for (HWND child : ChildrenOf(window)) {
            if (!IsWindowVisible(child))
                continue;
            const std::string kind = ClassOf(child);
            if (_stricmp(kind.c_str(), "Static") == 0) {
                if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                    icon = icon || SendMessageA(child, STM_GETICON, 0, 0) != 0;
                else if (text.empty() && !ControlText(child, text))
                    return 3;
            } else if (_stricmp(kind.c_str(), "Button") == 0) {
                buttons.push_back(child);
            }
        }
        std::printf("dialog=0x%llx caption=%s icon=%d text=%s\n",
                    static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)),
                    Hex(Caption(window)).c_str(), icon ? 1 : 0, Hex(text).c_str());
        for (HWND button : buttons)
            PrintWindow(button, false);
        return 0;
    }
    return kNothing;
}

int PutText(HWND window, const char* hex) {
    std::string bytes;
    if (!IsWindow(window) || !Unhex(hex, bytes))
        return 2;
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(bytes.c_str()),
                               SMTO_ABORTIFHUNG, 5000, &result) &&
                   result
               ? 0
               : 1;
}

// The close button of a window's title bar on the screen (left,top,width,height): the square at
// the right end of the title bar, where a window with only a close button has it.
int ShowCloseButton(HWND window) {
    TITLEBARINFO info{};
    info.cbSize = sizeof info;
    if (!IsWindow(window) || !GetTitleBarInfo(window, &info))
        return 2;
    const RECT& bar = info.rcTitleBar;
    const long side = bar.bottom - bar.top;
    std::printf("%ld,%ld,%ld,%ld\n", bar.right - side, bar.top, side, side);
    return 0;
}

int ShowSelection(HWND edit) {
    DWORD_PTR packed = 0;
    if (!IsWindow(edit) ||
        !SendMessageTimeoutA(edit, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &packed))
        return 2;
    std::printf("start=%u end=%u\n", LOWORD(packed), HIWORD(packed));
    return 0;
}

// Memory in another process, for the control messages that carry pointers and that the system
// does not carry across processes (the tree view's).
class RemoteBuffer {
  public:
    RemoteBuffer(HWND window, SIZE_T size) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               processId);
        if (process_)
            base_ = static_cast<char*>(
                VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    }
    ~RemoteBuffer() {
        if (base_)
            VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
        if (process_)
            CloseHandle(process_);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool ok() const { return base_ != nullptr; }
    char* at(SIZE_T offset) const { return base_ + offset; }
    void Write(SIZE_T offset, const void* data, SIZE_T size) const {
        WriteProcessMemory(process_, base_ + offset, data, size, nullptr);
    }
    void Read(SIZE_T offset, void* data, SIZE_T size) const {
        ReadProcessMemory(process_, base_ + offset, data, size, nullptr);
    }

  private:
    HANDLE process_ = nullptr;
    char* base_ = nullptr;
};

HTREEITEM NextTreeItem(HWND tree, WPARAM which, HTREEITEM from) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, which, reinterpret_cast<LPARAM>(from)));
}

// One line per item, in display order: item=0x... selected=0|1 expanded=0|1 screen=l,t,w,h (the
// item's text on the screen; all zero while it is scrolled out of view) text=HEX.
int ListTreeItems(HWND tree) {
    if (!IsWindow(tree))
        return 2;
    constexpr SIZE_T kItem = 0, kRect = 256, kText = 512, kTextSize = 512;
    const RemoteBuffer remote(tree, kText + kTextSize);
    if (!remote.ok())
        return 3;
    const HTREEITEM selected = NextTreeItem(tree, TVGN_CARET, nullptr);
    for (HTREEITEM item = NextTreeItem(tree, TVGN_ROOT, nullptr); item;
         item = NextTreeItem(tree, TVGN_NEXTVISIBLE, item)) {
        TVITEMA request{};
        request.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_STATE;
        request.hItem = item;
        request.stateMask = TVIS_EXPANDED;
        request.pszText = remote.at(kText);
        request.cchTextMax = kTextSize;
        remote.Write(kItem, &request, sizeof request);
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote.at(kItem)));
        remote.Read(kItem, &request, sizeof request);
        char text[kTextSize] = {};
        remote.Read(kText, text, kTextSize - 1);
        // TVM_GETITEMRECT takes the item in the rectangle that it fills.
        RECT place{};
        std::memcpy(&place, &item, sizeof item);
        remote.Write(kRect, &place, sizeof place);
        if (SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(remote.at(kRect)))) {
            remote.Read(kRect, &place, sizeof place);
            MapWindowPoints(tree, HWND_DESKTOP, reinterpret_cast<POINT*>(&place), 2);
        } else {
            place = RECT{};
        }
        std::printf("item=0x%llx selected=%d expanded=%d screen=%ld,%ld,%ld,%ld text=%s\n",
                    static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(item)),
                    item == selected ? 1 : 0, (request.state & TVIS_EXPANDED) ? 1 : 0, place.left,
                    place.top, place.right - place.left, place.bottom - place.top,
                    Hex(text).c_str());
    }
    return 0;
}

int ShowErrorText(const char* code) {
    char* buffer = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, static_cast<DWORD>(std::strtoul(code, nullptr, 0)), 0,
                   reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    std::printf("%s\n", Hex(buffer ? buffer : "").c_str());
    LocalFree(buffer);
    return buffer ? 0 : 1;
}

// One row of the system's handle table (SystemExtendedHandleInformation), as ntdll lays it out.
struct HandleEntry {
    PVOID object;
    ULONG_PTR process_id;
    ULONG_PTR handle;
    ULONG access;
    USHORT back_trace_index;
    USHORT type_index;
    ULONG attributes;
    ULONG reserved;
};

struct HandleTable {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};

// GetProcessHandleCount answers 0 under Wine, but the system's handle table, which Wine fills from
// the wineserver's own tables, lists every handle of every process.
int ShowHandleCount(const char* process_id) {
    using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    constexpr ULONG kExtendedHandleInformation = 64;
    constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004);
    const auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return kNothing;
    // ULONG_PTR elements keep the table aligned for its pointer-sized fields.
    std::vector<ULONG_PTR> buffer(8192);
    LONG status = kLengthMismatch;
    while (status == kLengthMismatch) {
        ULONG needed = 0;
        const ULONG size = static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR));
        status = query(kExtendedHandleInformation, buffer.data(), size, &needed);
        if (status == kLengthMismatch)
            buffer.resize(buffer.size() * 2); // the table can grow between two calls
    }
    if (status != 0)
        return kNothing;
    const ULONG_PTR wanted = std::strtoul(process_id, nullptr, 0);
    const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
    unsigned long count = 0;
    for (ULONG_PTR i = 0; i < table->count; ++i)
        count += table->entries[i].process_id == wanted ? 1 : 0;
    std::printf("handles=%lu\n", count);
    return 0;
}

int PostClose(HWND window) {
    return IsWindow(window) && PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 2;
}

int Usage() {
    std::fprintf(stderr, "usage: probe top | children HWND | window HWND | focus HWND | "
                         "msgbox EXE | settext HWND HEX | closebutton HWND | close HWND | "
                         "selection HWND | treeitems HWND | errortext CODE | handles PID\n");
    return 64;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return Usage();
    const std::string command = argv[1];
    int status = 64;
    if (command == "top" && argc == 2)
        status = ListTop();
    else if (command == "children" && argc == 3)
        status = ListChildren(ParseWindow(argv[2]));
    else if (command == "window" && argc == 3)
        status = ShowWindowLine(ParseWindow(argv[2]));
    else if (command == "focus" && argc == 3)
        status = ShowFocus(ParseWindow(argv[2]));
    else if (command == "msgbox" && argc == 3)
        status = ShowMessageBox(argv[2]);
    else if (command == "closebutton" && argc == 3)
        status = ShowCloseButton(ParseWindow(argv[2]));
    else if (command == "close" && argc == 3)
        status = PostClose(ParseWindow(argv[2]));
    else if (command == "settext" && argc == 4)
        status = PutText(ParseWindow(argv[2]), argv[3]);
    else if (command == "selection" && argc == 3)
        status = ShowSelection(ParseWindow(argv[2]));
    else if (command == "treeitems" && argc == 3)
        status = ListTreeItems(ParseWindow(argv[2]));
    else if (command == "errortext" && argc == 3)
        status = ShowErrorText(argv[2]);
    else if (command == "handles" && argc == 3)
        status = ShowHandleCount(argv[2]);
    else
        return Usage();
    std::fflush(stdout);
    return status == 0 && g_unanswered ? 3 : status;
}
