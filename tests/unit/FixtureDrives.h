// The drive letters that tests/unit/make-fixtures.sh maps to the unit tests' trees, and small file
// helpers for tests that lay out their own files there.
#pragma once

#include "common/Text.h"

#include <gtest/gtest.h>

// Fails the current test unless letter's root holds the marker of the unit fixtures (another test
// may have pointed the letters elsewhere since the fixture setup ran).
::testing::AssertionResult DriveIsMapped(char letter);

// Expects every given letter to be mapped; use as ASSERT_TRUE(DrivesAreMapped("DE")).
::testing::AssertionResult DrivesAreMapped(const char* letters);

// The root of a fixture drive: "D:\".
Text Root(char letter);

bool WriteWholeFile(const Text& path, const Text& content);
// The file's bytes, or "<missing>" when it cannot be read.
Text ReadWholeFile(const Text& path);
bool IsDirectory(const Text& path);
bool FileExists(const Text& path);
