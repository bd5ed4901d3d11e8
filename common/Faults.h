// Fault injection for tests of the fatal paths. Only the test build of the program (compiled with
// VARNELO_FAULTS) reads VARNELO_FAIL; the shipped program has none of it.
#pragma once

#ifdef VARNELO_FAULTS
#include <windows.h>

#include <cstring>

inline bool FaultRequested(const char* point) {
    char value[32] = {};
    const DWORD length = GetEnvironmentVariableA("VARNELO_FAIL", value, sizeof value);
    return length > 0 && length < sizeof value && std::strcmp(value, point) == 0;
}
#else
constexpr bool FaultRequested(const char*) {
    return false;
}
#endif
