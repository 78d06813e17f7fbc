#pragma once
#include <windows.h>

#include <cstdlib>

// Test-only setting: the environment variable VX_BRIDGE_TIME_DIVISOR (a whole number from 2 to
// 1000) divides the bridge's waits, polls and ages, so that tests see their rules in seconds. Read
// at each call: a test may change it between the objects it makes.
inline DWORD BridgeTestDivided(DWORD ms) {
    char text[16] = {};
    DWORD n = GetEnvironmentVariableA("VX_BRIDGE_TIME_DIVISOR", text, sizeof(text));
    long divisor = n > 0 && n < sizeof(text) ? std::strtol(text, nullptr, 10) : 0;
    return divisor > 1 && divisor <= 1000 ? ms / static_cast<DWORD>(divisor) : ms;
}
