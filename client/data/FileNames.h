// Data on its way into file and directory names.
//
//   CleanFileName("Fractions 1/2")        "Fractions 1 2"
//   LastPathComponent("C:\\work\\a.doc")  "a.doc"
#ifndef PLENWICK_FILENAMES_H
#define PLENWICK_FILENAMES_H

#include <fx.h>

// Each of the nine characters < > : \ / | ? * and the double quote becomes a
// space, so that a name taken from data stays one name inside the directory
// it is meant for.  Any other text is returned unchanged.
FX::FXString CleanFileName(const FX::FXString& name);

// The part after the last "/" or "\" (the whole text when it has neither).
FX::FXString LastPathComponent(const FX::FXString& path);

#endif
