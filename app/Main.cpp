// Start-up, the message loop and shutdown.
#include "app/MainWindow.h"
#include "ui/FatalError.h"
#include "ui/Texts.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstring>

namespace {

MainWindow g_mainWindow;   // the program's one window
bool g_oleStarted = false; // OLE is uninitialised once, at shutdown

void FailQuietlyOnMissingMedia() {
    SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

void EnterProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    if (char* lastBackslash = std::strrchr(path, '\\'))
        *lastBackslash = '\0';
    SetCurrentDirectoryA(path);
}

void Shutdown() {
    g_mainWindow.ReleaseIcons();
    if (g_oleStarted) {
        OleUninitialize();
        g_oleStarted = false;
    }
}

int RunMessageLoop() {
    g_mainWindow.EnterMessageLoop();
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (g_mainWindow.PreTranslate(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return message.message == WM_QUIT ? static_cast<int>(message.wParam) : 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    FailQuietlyOnMissingMedia();
    OleInitialize(nullptr);
    g_oleStarted = true;
    SetFatalShutdown(Shutdown);
    EnterProgramFolder();

    INITCOMMONCONTROLSEX commonControls = {sizeof commonControls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&commonControls);
    if (!g_mainWindow.Create(instance))
        ReportFatalError(texts::kWindowLoadFailed);

    int exitCode = 0;
    if (IsWindow(g_mainWindow.handle()))
        exitCode = RunMessageLoop();
    Shutdown();
    return exitCode;
}
