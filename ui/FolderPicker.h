// The shell's classic folder picker.
#pragma once

#include "common/Text.h"

// Lets the user pick a folder; gives its path (a drive root with its trailing backslash), or ""
// when the user cancels or picks something that is no file-system folder. The program's
// top-level windows are disabled while the picker is open and restored afterwards.
Text BrowseForFolder(const Text& title, bool includeFiles = false);
