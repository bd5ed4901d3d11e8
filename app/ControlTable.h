// The ten controls of the main window: kind, place, text and styles, in one table.
#pragma once

#include "ui/Controls.h"

#include <array>

struct ControlRow {
    Control control;
    const char* windowClass;
    const char* text;
    DWORD style;
    DWORD exStyle;
    int left, top, width, height; // client coordinates of the main window
};

inline constexpr int kWindowWidth = 495;
inline constexpr int kWindowHeight = 288;
inline constexpr int kStatusPartRightEdge = 376;

extern const std::array<ControlRow, static_cast<size_t>(Control::Count)> kControlTable;

// The ring that Tab walks, in order.
inline constexpr std::array kTabRing = {Control::按钮1,   Control::按钮2,   Control::编辑框1,
                                        Control::编辑框2, Control::编辑框3, Control::按钮3,
                                        Control::按钮4};

// The numeric identifier of a control's child window.
inline int ControlId(Control control) {
    return 100 + static_cast<int>(control);
}
