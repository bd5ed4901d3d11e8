#include "ui/FatalError.h"

#include "ui/Texts.h"

#include <windows.h>

namespace {
void (*g_shutdown)() = nullptr; // frees what start-up took before the process ends

Text FatalReportText(const Text& message) {
    return JoinText(texts::kFatalPrefix, message, "\r\n");
}
} // namespace

void SetFatalShutdown(void (*shutdown)()) {
    g_shutdown = shutdown;
}

void ReportFatalError(const Text& message) {
    MessageBoxA(nullptr, FatalReportText(message).c_str(), texts::kFatalCaption,
                MB_OK | MB_ICONHAND | MB_TASKMODAL);
    if (g_shutdown)
        g_shutdown();
    ExitProcess(static_cast<UINT>(-1));
}
