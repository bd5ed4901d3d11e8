#include "app/MainWindow.h"

#include "actions/FileActions.h"
#include "app/ControlTable.h"
#include "common/Faults.h"
#include "search/DiskSearch.h"
#include "ui/Texts.h"

#include <commctrl.h>

namespace {

constexpr char kWindowClass[] = "VarneloMainWindow";

HFONT GuiFont() {
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

bool RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassExA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// A one-line edit box lower than its font's line height plus its edges grows to that height.
void FitLineEditHeight(HWND edit, const ControlRow& row) {
    const HDC dc = GetDC(edit);
    const HGDIOBJ previous = SelectObject(dc, GuiFont());
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(edit, dc);
    const int needed = metrics.tmHeight + 2 * GetSystemMetrics(SM_CYEDGE);
    if (row.height < needed)
        SetWindowPos(edit, nullptr, 0, 0, row.width, needed,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetUpStatusBar(HWND bar) {
    int rightEdges[] = {kStatusPartRightEdge};
    SendMessageA(bar, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(rightEdges));
    SendMessageA(bar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(""));
    SendMessageA(bar, SB_SETTIPTEXTA, 0, reinterpret_cast<LPARAM>(""));
}

bool IsControlOf(HWND window, HWND candidate) {
    return candidate && (candidate == window || IsChild(window, candidate));
}

bool KeyHeld(int key) {
    return (GetKeyState(key) & 0x8000) != 0;
}

void RunHandlerOf(Control control) {
    switch (control) {
    case Control::按钮1:
        StartSearch();
        break;
    case Control::按钮2:
        CopyToDestination();
        break;
    case Control::按钮3:
        DeleteSource();
        break;
    case Control::按钮4:
        ChooseDestination();
        break;
    default:
        break;
    }
}

} // namespace

bool MainWindow::Create(HINSTANCE instance) {
    if (FaultRequested("window") || !RegisterWindowClass(instance, WindowProc))
        return false;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - kWindowWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kWindowHeight) / 2;
    CreateWindowExA(0, kWindowClass, texts::kWindowCaption,
                    WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, x, y, kWindowWidth, kWindowHeight,
                    nullptr, nullptr, instance, this);
    if (!window_)
        return false;
    RECT outer{};
    GetWindowRect(window_, &outer);
    if (outer.right - outer.left != kWindowWidth || outer.bottom - outer.top != kWindowHeight)
        MoveWindow(window_, x, y, kWindowWidth, kWindowHeight, FALSE);
    SetIcons(instance);
    SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);
    if (!CreateControls()) {
        DestroyWindow(window_);
        return false;
    }
    ShowWindow(window_, SW_SHOW);
    return true;
}

void MainWindow::SetIcons(HINSTANCE instance) {
    bigIcon_.reset(static_cast<HICON>(LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON, 32, 32, 0)));
    smallIcon_.reset(
        static_cast<HICON>(LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON, 16, 16, 0)));
    SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

void MainWindow::ReleaseIcons() {
    bigIcon_.reset();
    smallIcon_.reset();
}

bool MainWindow::CreateControls() {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window_, GWLP_HINSTANCE));
    for (const ControlRow& row : kControlTable) {
        const HWND control =
            CreateWindowExA(row.exStyle, row.windowClass, row.text, row.style, row.left, row.top,
                            row.width, row.height, window_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(row.control))),
                            instance, nullptr);
        if (!control)
            return false;
        BindControl(row.control, control);
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);
        if (CompareText(row.windowClass, "EDIT") == 0) {
            SendMessageA(control, EM_LIMITTEXT, 0, 0);
            if (!(row.style & ES_MULTILINE))
                FitLineEditHeight(control, row);
        }
    }
    SetUpStatusBar(ControlWindow(Control::状态条1));
    for (const ControlRow& row : kControlTable)
        ShowWindow(ControlWindow(row.control), SW_SHOWNA);
    return true;
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcA(window, message, wParam, lParam);
    const LRESULT result = self->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
    }
    return result;
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_DRAWITEM:
        OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_ERASEBKGND:
        OnEraseBackground(reinterpret_cast<HDC>(wParam));
        return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            RememberFocus();
        // The default handling gives the window the focus, which it then hands on.
        return DefWindowProcA(window_, message, wParam, lParam);
    case WM_SETFOCUS:
        OnSetFocus();
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_DESTROY:
        // Before the loop runs, a quit message would only cut short the fatal report's box.
        if (loopRunning_)
            PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window_, message, wParam, lParam);
    }
}

void MainWindow::OnCommand(int id, int notification) {
    if (notification != BN_CLICKED)
        return;
    for (const ControlRow& row : kControlTable)
        if (ControlId(row.control) == id && CompareText(row.windowClass, "BUTTON") == 0)
            RunHandlerOf(row.control);
}

void MainWindow::OnDrawItem(const DRAWITEMSTRUCT& item) {
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    char text[256] = {};
    GetWindowTextA(item.hwndItem, text, sizeof text);
    const HGDIOBJ previousFont = SelectObject(item.hDC, GuiFont());
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, RGB(0, 0, 0));
    RECT area = item.rcItem;
    DrawTextA(item.hDC, text, -1, &area, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOCLIP);
    SelectObject(item.hDC, previousFont);
}

void MainWindow::OnEraseBackground(HDC dc) {
    RECT client;
    GetClientRect(window_, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
}

void MainWindow::RememberFocus() {
    const HWND focus = GetFocus();
    if (focus && IsChild(window_, focus))
        rememberedFocus_ = focus;
}

void MainWindow::OnSetFocus() {
    if (rememberedFocus_ && IsWindow(rememberedFocus_) && IsChild(window_, rememberedFocus_)) {
        SetFocus(rememberedFocus_);
        return;
    }
    rememberedFocus_ = nullptr;
    for (Control control : kTabRing) {
        const HWND candidate = ControlWindow(control);
        if (IsWindowVisible(candidate) && IsWindowEnabled(candidate)) {
            SetFocus(candidate);
            return;
        }
    }
}

bool MainWindow::PreTranslate(const MSG& message) {
    if (!window_ || !IsControlOf(window_, message.hwnd))
        return false;
    switch (message.message) {
    case WM_LBUTTONDOWN:
        DragFromFreeArea(message);
        return false;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        return OnKeyDown(message);
    default:
        return false;
    }
}

void MainWindow::DragFromFreeArea(const MSG& message) {
    // The labels are transparent to the mouse, so a press on one arrives here as a press on the
    // free area: both drag the window, as its title bar would.
    if (message.hwnd != window_)
        return;
    POINT cursor = {static_cast<short>(LOWORD(message.lParam)),
                    static_cast<short>(HIWORD(message.lParam))};
    ClientToScreen(window_, &cursor);
    PostMessageA(window_, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(cursor.x, cursor.y));
}

bool MainWindow::OnKeyDown(const MSG& message) {
    const bool ctrl = KeyHeld(VK_CONTROL), shift = KeyHeld(VK_SHIFT), alt = KeyHeld(VK_MENU);
    const bool plain = !ctrl && !shift && !alt;
    switch (message.wParam) {
    case VK_TAB:
        if (plain || (shift && !ctrl && !alt)) {
            MoveFocusAlongRing(plain);
            return true;
        }
        return false;
    case VK_ESCAPE:
        if (!plain)
            return false;
        SendMessageA(window_, WM_CLOSE, 0, 0);
        return true;
    case VK_F1:
        return plain;
    default:
        // Enter, and every other key, reaches the focused control as usual: only the multi-line
        // boxes act on Enter, and no button of this window is a default button.
        return false;
    }
}

void MainWindow::MoveFocusAlongRing(bool forward) {
    const HWND focus = GetFocus();
    const int count = static_cast<int>(kTabRing.size());
    int current = -1;
    for (int i = 0; i < count; ++i)
        if (ControlWindow(kTabRing[i]) == focus)
            current = i;
    const int step = forward ? 1 : count - 1;
    int index = current < 0 ? (forward ? count - 1 : 0) : current;
    for (int tried = 0; tried < count; ++tried) {
        index = (index + step) % count;
        const HWND candidate = ControlWindow(kTabRing[index]);
        if (IsWindowVisible(candidate) && IsWindowEnabled(candidate) &&
            (GetWindowLongPtrA(candidate, GWL_STYLE) & WS_TABSTOP)) {
            SetFocus(candidate);
            return;
        }
    }
}
