// What a print command prints: one routine that draws the whole job onto the
// printer front end (beginPage, drawing, writeTable when dc.toHtml(),
// endPage).  The same routine prints the job and draws the pages of its
// preview, so the preview shows what the destination gets.
#ifndef PLENWICK_PRINTROUTINE_H
#define PLENWICK_PRINTROUTINE_H

#include <functional>

class FXDCNativePrinter;

using PrintRoutine = std::function<void(FXDCNativePrinter& dc)>;

// Thrown by a routine that cannot go on and whose user has already been told
// why (the database could not be reached: the recordset layer's warning has
// been shown): the job ends without output and without a further message.
struct PrintAbandoned {};

#endif
