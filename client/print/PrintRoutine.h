// What a print command prints: one routine that draws the whole job onto the
// printer front end (beginPage, drawing, writeTable when dc.toHtml(),
// endPage).  The same routine prints the job and draws the pages of its
// preview, so the preview shows what the destination gets.
#ifndef PLENWICK_PRINTROUTINE_H
#define PLENWICK_PRINTROUTINE_H

#include <functional>

class FXDCNativePrinter;

using PrintRoutine = std::function<void(FXDCNativePrinter& dc)>;

// Thrown by a routine that cannot go on because the database could not be
// reached (the recordset layer counted the lost connection): the job ends
// without output, and the command tells the user of the lost connection
// only.
struct PrintAbandoned {};

#endif
