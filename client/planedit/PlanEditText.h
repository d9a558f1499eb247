// Small text helpers shared by the plan editor's operations.
#ifndef PLENWICK_PLANEDITTEXT_H
#define PLENWICK_PLANEDITTEXT_H

#include <fx.h>

namespace planedit {

// True for a text of nothing but white space.
inline bool blank(const FX::FXString& s) {
    FX::FXString t = s;
    return t.trim().empty();
}

inline FX::FXString trimmed(const FX::FXString& s) {
    FX::FXString t = s;
    return t.trim();
}

inline FX::FXString text(FX::FXint value) { return FX::FXStringVal(value); }

}  // namespace planedit

#endif
