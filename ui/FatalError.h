// The one report through which the program ends when it cannot go on.
#pragma once

#include "common/Text.h"

// Runs the program's shutdown after a fatal report; the start-up code registers it.
void SetFatalShutdown(void (*shutdown)());

// Shows "运行时出错!" with the message, runs the shutdown and ends the process with exit code -1.
[[noreturn]] void ReportFatalError(const Text& message);
