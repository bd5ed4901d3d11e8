// The controls of the main window, by the names the handlers use. The window binds each name to
// its child window when it creates it; the services look them up here.
#pragma once

#include <windows.h>

enum class Control {
    标签1,
    编辑框1,
    标签2,
    编辑框2,
    按钮4,
    编辑框3,
    按钮1,
    按钮2,
    按钮3,
    状态条1,
    Count
};

void BindControl(Control control, HWND window);
HWND ControlWindow(Control control);
