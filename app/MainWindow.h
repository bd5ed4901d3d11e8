// The program's one window: its frame, its ten controls and the wiring of their clicks.
#pragma once

#include "common/Owned.h"
#include "ui/Controls.h"

#include <windows.h>

using OwnedIcon = OwnedHandle<HICON, DestroyIcon>;

class MainWindow {
  public:
    // Builds the window hidden, centred on the primary screen, with its controls, and shows it.
    // False when the window or a control could not be created.
    bool Create(HINSTANCE instance);
    HWND handle() const { return window_; }
    // From now on, destroying the window ends the message loop.
    void EnterMessageLoop() { loopRunning_ = true; }
    // Frees the icons; the window is gone by then, or the process is about to end.
    void ReleaseIcons();

    // Looks at input for the window or its controls before it is dispatched; true when the
    // message has been dealt with and must not be dispatched.
    bool PreTranslate(const MSG& message);

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    bool CreateControls();
    void SetIcons(HINSTANCE instance);
    void OnCommand(int id, int notification);
    void OnDrawItem(const DRAWITEMSTRUCT& item);
    void OnEraseBackground(HDC dc);
    void RememberFocus();
    void OnSetFocus();

    bool OnKeyDown(const MSG& message);
    void DragFromFreeArea(const MSG& message);
    void MoveFocusAlongRing(bool forward);

    HWND window_ = nullptr;
    bool loopRunning_ = false;
    HWND rememberedFocus_ = nullptr; // the control that had the focus at the last deactivation
    OwnedIcon bigIcon_;
    OwnedIcon smallIcon_;
};
