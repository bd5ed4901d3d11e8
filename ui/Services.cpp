#include "ui/Services.h"

#include "ui/Texts.h"

#include <commctrl.h>

#include <array>

namespace {

std::array<HWND, static_cast<size_t>(Control::Count)> g_controls{}; // bound by the main window
HCURSOR g_savedCursor = nullptr; // the cursor shown before the first BeginWaitCursor

int ButtonNumber(int messageBoxResult) {
    switch (messageBoxResult) {
    case IDCANCEL:
        return 1;
    case IDABORT:
        return 2;
    case IDRETRY:
        return 3;
    case IDIGNORE:
        return 4;
    case IDYES:
        return 5;
    case IDNO:
        return 6;
    default:
        return 0;
    }
}

Text WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    if (length <= 0)
        return {};
    Text text(static_cast<size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

} // namespace

void BindControl(Control control, HWND window) {
    g_controls[static_cast<size_t>(control)] = window;
}

HWND ControlWindow(Control control) {
    return g_controls[static_cast<size_t>(control)];
}

int ShowMessage(const Text& message, unsigned style) {
    if (!(style & MB_SYSTEMMODAL))
        style |= MB_TASKMODAL;
    return ButtonNumber(MessageBoxA(nullptr, message.c_str(), texts::kMessageCaption, style));
}

Text GetControlText(Control control) {
    return WindowText(ControlWindow(control));
}

void SetControlText(Control control, const Text& text) {
    SetWindowTextA(ControlWindow(control), text.c_str());
}

void AppendEditText(Control box, const Text& text) {
    const HWND edit = ControlWindow(box);
    const auto end = static_cast<WPARAM>(WindowText(edit).size());
    SendMessageA(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
    SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void SetStatusBarText(HWND statusBar, const Text& text) {
    constexpr int part = 0;
    const auto parts = static_cast<int>(SendMessageA(statusBar, SB_GETPARTS, 0, 0));
    if (part < 0 || part >= parts)
        return;
    // The high word of SB_GETTEXTLENGTH's answer is the part's drawing style.
    const auto style = HIWORD(SendMessageA(statusBar, SB_GETTEXTLENGTHA, part, 0));
    SendMessageA(statusBar, SB_SETTEXTA, static_cast<WPARAM>(part | style),
                 reinterpret_cast<LPARAM>(text.c_str()));
}

void SetStatusText(const Text& text) {
    SetStatusBarText(ControlWindow(Control::状态条1), text);
}

void BeginWaitCursor() {
    const HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    if (!g_savedCursor)
        g_savedCursor = previous;
}

void EndWaitCursor() {
    if (g_savedCursor) {
        SetCursor(g_savedCursor);
        g_savedCursor = nullptr;
    }
    // Moving the pointer where it already is makes the window under it set its own cursor again.
    POINT position;
    if (GetCursorPos(&position))
        SetCursorPos(position.x, position.y);
}
