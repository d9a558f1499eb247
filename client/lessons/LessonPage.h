// The lesson page: one lesson plan as a one-page form, the same on the
// lesson dialog's preview and on paper.  A header line with the times, the
// date and the teacher, then labelled boxes for every text of the lesson,
// its unit and its long-term plan, and the footer line.
//
//   drawLessonPage(dc, W, H, lessonId, "Monday 03/02/30", recordset);
//
// W x H is the page (the printer job's content area) or the preview's
// image; positions are whole device units, as the report layout's.
#ifndef PLENWICK_LESSONPAGE_H
#define PLENWICK_LESSONPAGE_H

#include <fx.h>

#include "data/IsectRecordset.h"

// Draws lesson `lessonId` (0: the empty form, labels and boxes only, no
// query) with `dateText` after "DATE:", running its two queries (the
// teacher, the lesson with its subject, unit and long-term plan) on
// `recordset`.  A lesson that is not found draws the empty form; when the
// database cannot be reached, PrintAbandoned is thrown (ReportLayout.h).
void drawLessonPage(FX::FXDC& dc, FX::FXint W, FX::FXint H, FX::FXint lessonId, const FX::FXString& dateText,
                    IsectRecordset& recordset);

// The statement whose row drawLessonPage shows.
FX::FXString lessonPageStatement(FX::FXint lessonId);

#endif
