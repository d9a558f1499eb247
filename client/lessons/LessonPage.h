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

#include <vector>

#include "data/IsectRecordset.h"

// What the boxes of a lesson's page could not hold: the lesson's name and,
// for each box whose text was longer than the box, its label and the text
// that did not fit.  It is printed on the following pages by
// drawLessonContinued, so that no text of a lesson is lost.
struct LessonRest {
    FX::FXString lessonName;
    struct Part {
        FX::FXString label;
        FX::FXString text;
    };
    std::vector<Part> parts;
    FX::FXbool empty() const { return parts.empty(); }
};

// Draws lesson `lessonId` (0: the empty form, labels and boxes only, no
// query) with `dateText` after "DATE:", running its two queries (the
// teacher, the lesson with its subject, unit and long-term plan) on
// `recordset`.  A lesson that is not found draws the empty form; when the
// database cannot be reached, PrintAbandoned is thrown (ReportLayout.h).
// A box whose text goes on says so after its label ("(continued on the next
// page)"), and the rest goes into `rest` when it is given.
void drawLessonPage(FX::FXDC& dc, FX::FXint W, FX::FXint H, FX::FXint lessonId, const FX::FXString& dateText,
                    IsectRecordset& recordset, LessonRest* rest = nullptr);

// A page that continues a lesson: "NAME (continued)" at the top, then each
// part of `rest` as a box across the page holding as much of its text as the
// page takes, and the footer.  What it drew is taken out of `rest`; true
// when text is left for a further page.
FX::FXbool drawLessonContinued(FX::FXDC& dc, FX::FXint W, FX::FXint H, LessonRest& rest);

// The statement whose row drawLessonPage shows.
FX::FXString lessonPageStatement(FX::FXint lessonId);

#endif
