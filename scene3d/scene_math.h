#pragma once
#include <cstdint>

// Converts a double to an integer the way the scene's arithmetic does
// (truncation toward zero) without undefined behaviour: values beyond the
// int32 range saturate and a NaN becomes 0. Callers that must not draw such
// values check their range before.
inline int32_t truncToInt(double value) {
    if (!(value == value)) {
        return 0;
    }
    if (value >= 2147483647.0) {
        return INT32_MAX;
    }
    if (value <= -2147483648.0) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}
