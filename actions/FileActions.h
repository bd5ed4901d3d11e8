// What the user can do with the file the search found: copy it into a chosen folder, delete it.
#pragma once

#include "common/Text.h"

// Copies source to destination, replacing a file already there; false when the system refused.
bool CopyFileTo(const Text& source, const Text& destination);
// Deletes one file; false when the system refused.
bool DeleteFileAt(const Text& path);

// The system's reason for an error code, in the system's language, without its final line break.
Text SystemErrorText(unsigned long error);

// The destination of a copy: folder + "\" + the last "\"-separated piece of source ("" when the
// source has no piece at all).
Text CopyDestination(const Text& source, const Text& folder);

// The click handlers of the three action buttons.
void CopyToDestination();
void DeleteSource();
void ChooseDestination();
