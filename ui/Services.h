// The services through which handlers talk to the user and to the main window's controls.
#pragma once

#include "common/Text.h"
#include "ui/Controls.h"

inline constexpr unsigned kNoIcon = 0;
inline constexpr unsigned kErrorIcon = MB_ICONHAND;

// A task-modal box with the caption "信息：" and no owner; gives the button pressed, counted from
// 0.
int ShowMessage(const Text& message, unsigned style = kNoIcon);

Text GetControlText(Control control);
void SetControlText(Control control, const Text& text);

// Adds each text at the very end of the box, whatever the user had selected, with no separator.
template <class... Texts> void AppendEditText(Control box, const Texts&... texts);
void AppendEditText(Control box, const Text& text);

// Replaces the text of the status bar's first part, keeping that part's drawing style.
void SetStatusText(const Text& text);
// The same for any status bar; one without parts is left alone.
void SetStatusBarText(HWND statusBar, const Text& text);

void BeginWaitCursor();
void EndWaitCursor();

template <class... Texts> void AppendEditText(Control box, const Texts&... texts) {
    (AppendEditText(box, Text(texts)), ...);
}
