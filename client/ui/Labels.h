// Texts from data shown on widgets that read "&" as the mark of a keyboard
// shortcut (tabs, buttons, menu entries, labels): written so that the
// toolkit shows them as they are.
//
//   new FXTabItem(tabs, labels::literal(rs.GetField("LessonName")));
#ifndef PLENWICK_LABELS_H
#define PLENWICK_LABELS_H

#include <fx.h>

namespace labels {

// Every "&" doubled: the toolkit shows "&&" as one "&" and takes no
// shortcut from it.  ("Fractions & cafe" stays "Fractions & cafe".)
inline FX::FXString literal(const FX::FXString& text) {
    FX::FXString out(text);
    out.substitute("&", "&&");
    return out;
}

}  // namespace labels

#endif
