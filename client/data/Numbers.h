// Numbers read from result text and settings, converted as the C library's
// decimal conversion (atoi) converts them.
//
//   decimalValue("  42 rows")   42
//   decimalValue("-7")          -7
//   decimalValue("none")        0
#ifndef PLENWICK_NUMBERS_H
#define PLENWICK_NUMBERS_H

#include <fx.h>

// Leading white space, an optional sign, digits up to the first non-digit;
// wraps at 32 bits; no digits gives 0.
inline FX::FXint decimalValue(const FX::FXString& text) {
    const char* s = text.text();
    while (*s == ' ' || (*s >= '\t' && *s <= '\r')) ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') negative = *s++ == '-';
    FX::FXuint value = 0;
    while (*s >= '0' && *s <= '9') value = value * 10u + FX::FXuint(*s++ - '0');
    return FX::FXint(negative ? 0u - value : value);
}

#endif
