// The lesson page form: its header line, its fifteen boxes and the footer.
#include "lessons/LessonPage.h"

#include "data/AppState.h"
#include "report/ReportLayout.h"
#include "ui/AppResources.h"

using namespace FX;

namespace {

const FXColor white = FXRGB(255, 255, 255);
const FXColor black = FXRGB(0, 0, 0);

// trunc(): towards zero, to whole device units.
FXint cut(FXdouble v) { return (FXint)v; }

// One box of the form: its outline, the part cleared before the label (to
// wipe what the box on its left drew beyond its edge), its label, and the
// value drawn in it: on one line at (vx, vy), or wrapped in a text box at
// (vx, vy) `vw` wide and at most `limit` high.
struct Box {
    const char* label;
    FXint x, y, w, h;
    FXbool cleared;
    FXint cx, cy, cw, ch;
    const char* field;
    FXbool wrapped;
    FXint vx, vy, vw, limit;
};

}  // namespace

FXString lessonPageStatement(FXint lessonId) {
    return "Select Subject.Description as Subject, LongTerm.PlanName as LongTermPlanName, LongTerm.Description as "
           "LongTermDescription, UnitPlan.UnitName, UnitPlan.UnitDescription, LessonPlan.* from Subject, LongTerm, "
           "UnitPlan, LessonPlan"
           " Where Subject.Id = LongTerm.FKSubject And LongTerm.Id = UnitPlan.FKLongTerm And UnitPlan.Id = "
           "LessonPlan.FKUnitPlan"
           " And LessonPlan.Id = " +
           FXStringVal(lessonId);
}

namespace {

const char* const continuedNote = " (continued on the next page)";

// The text as the text box wraps it: tabs as four spaces.
FXString boxText(const FXString& text) {
    FXString t = text;
    t.substitute("\t", "    ");
    return t;
}

// One box of the lesson page: its frame, its label and its value; the lines of
// a wrapped value beyond those the box holds go to `rest` for a following
// page, and the label says so.
void drawBox(FXDC& dc, const Box& box, FXbool values, const FXString& value, LessonRest* rest) {
    const FXint fh = textFont->getFontHeight();
    FXString more;
    if (values && box.wrapped && fh > 0) {
        const FXString text = boxText(value);
        const std::vector<report::TextLine> lines = report::wrapText(textFont, text, box.vw, 1 << 30);
        const FXint fit = FXMAX(box.limit / fh - 1, 0);
        if ((FXint)lines.size() > fit) more = text.mid(lines[fit].start, text.length());
    }
    dc.setForeground(black);
    dc.drawRectangle(box.x, box.y, box.w, box.h);
    if (box.cleared) {
        dc.setForeground(white);
        dc.fillRectangle(box.cx, box.cy, box.cw, box.ch);
        dc.setForeground(black);
    }
    dc.setFont(labelFont);
    const FXint labelY = box.y == 37 ? 35 : box.y + fh - 3;
    dc.drawText(box.x + 2, labelY, box.label);
    if (!more.empty()) {
        dc.setFont(smallFont);
        dc.drawText(box.x + 4 + labelFont->getTextWidth(box.label), labelY, continuedNote + 1);
        if (rest) rest->parts.push_back({box.label, more});
    }
    if (!values) return;
    dc.setFont(textFont);
    if (box.wrapped) {
        drawTextBox(dc, value, box.vx, box.vy, box.vw, box.limit, TRUE);
    } else {
        // The whole line above the box's lower edge, descenders and commas
        // included (with a unit to spare for a printer's own font).
        const FXint lowest = box.y + box.h - 3 - textFont->getFontDescent();
        dc.drawText(box.vx, FXMIN(box.vy, lowest), value);
    }
}

}  // namespace

void drawLessonPage(FXDC& dc, FXint W, FXint H, FXint lessonId, const FXString& dateText, IsectRecordset& rs,
                    LessonRest* rest) {
    report::createFonts();
    dc.setForeground(white);
    dc.fillRectangle(0, 0, W, H);
    dc.setForeground(black);

    // The values, when there is a lesson to show.
    FXbool values = lessonId >= 1;
    FXString teacher;
    if (values) {
        if (!appState.currentUserId.empty()) {
            report::openRecord(rs, "Select Teacher from Teachers where Id = " + appState.currentUserId);
            if (!rs.rows.IsEmpty()) teacher = rs.GetField(0);
        }
        report::openRecord(rs, lessonPageStatement(lessonId));
        values = !rs.rows.IsEmpty();
    }
    auto value = [&](const char* field) { return values ? report::fieldValue(rs, field) : FXString(); };

    const FXint fh = textFont->getFontHeight();
    const FXint U = W - 16;
    const FXint V = H - 19;

    // Header line.
    auto labelled = [&](const char* label, FXint x, FXint valueX, const FXString& text) {
        dc.setFont(labelFont);
        dc.drawText(x, 19, label);
        if (!values) return;
        dc.setFont(textFont);
        dc.drawText(valueX + labelFont->getTextWidth(label), 19, text);
    };
    const FXint c1 = cut(13 + 0.33 * U);
    const FXint c2 = cut(c1 + 0.33 * U);
    labelled("START:", 15, 19, value("TIMESTART").left(5));
    labelled("END:", 133, 139, value("TIMEEND").left(5));
    labelled("DATE:", c1 + 2, c1 + 6, dateText);
    labelled("TEACHER:", c2 + 2, c2 + 6, teacher);

    // The boxes.
    const FXint h3 = cut(0.12 * V);
    const FXint y4 = cut(79 + 0.12 * V);
    const FXint R = H - y4;
    const FXint y5 = cut(y4 + 0.14 * R);
    const FXint y6 = cut(y5 + 0.09 * R - 1);
    const FXint y7 = cut(y6 + 0.34 * R);
    const FXint y8 = cut(y7 + 0.13 * R);
    const FXint y9 = cut(y8 + 0.11 * R - 1);
    const FXint c3 = cut(13 + 0.5 * U);
    const Box boxes[] = {
        {"NAME", 13, 37, cut(0.33 * U), fh + 6, FALSE, 0, 0, 0, 0, "LESSONNAME", FALSE, 15, 35 + fh + 2, 0, 0},
        {"SUBJECT", c1, 37, cut(0.33 * U + 1), fh + 6, TRUE, c1 + 1, 38, cut(0.33 * U - 1), fh + 5, "SUBJECT", FALSE,
         c1 + 2, 35 + fh + 2, 0, 0},
        // Its text stays inside the box: what is longer goes on the next page.
        {"RESOURCES", c2, 37, cut(0.33 * U), cut(0.12 * V + 42), TRUE, c2 + 1, 38, cut(0.33 * U - 2),
         cut(0.12 * V + 41), "LESSONRESOURCE", TRUE, c2 + 2, 35, cut(0.33 * U - 2), cut(0.12 * V + 42)},
        {"UNIT PLAN", 13, 54, cut(0.33 * U), 25, TRUE, 14, 55, cut(0.33 * U - 1), 24, "UNITNAME", FALSE, 15,
         54 + fh + 8, 0, 0},
        {"LONG TERM PLAN", c1, 54, cut(0.33 * U), 25, TRUE, c1 + 1, 55, cut(0.33 * U - 1), 24, "LONGTERMPLANNAME",
         FALSE, c1 + 2, 54 + fh + 8, 0, 0},
        {"ACHIEVEMENT OBJECTIVES", 13, 79, cut(0.33 * U), h3, FALSE, 0, 0, 0, 0, "LESSONAO", TRUE, 15, 89,
         cut(0.33 * U - 1), cut(0.12 * V - 6)},
        {"ESSENTIAL SKILLS", c1, 79, cut(0.33 * U + 1), h3, FALSE, 0, 0, 0, 0, "LESSONES", TRUE, c1 + 2, 89,
         cut(0.33 * U - 1), cut(0.12 * V - 6)},
        {"SPECIFIC LEARNING OUTCOMES", 13, y4, cut(0.99 * U), cut(0.14 * R), FALSE, 0, 0, 0, 0, "LESSONSLO", TRUE, 15,
         y4 + 10, cut(0.94 * U), cut(0.14 * R - 6)},
        {"INTRODUCTION", 13, y5, cut(0.99 * U), cut(0.09 * R), FALSE, 0, 0, 0, 0, "LESSONINTRO", TRUE, 15, y5 + 10,
         cut(0.94 * U), cut(0.09 * R - 6)},
        {"DEVELOPMENT", 13, y6, cut(0.99 * U), cut(0.34 * R + 1), FALSE, 0, 0, 0, 0, "LESSONDEV", TRUE, 15, y6 + 10,
         cut(0.94 * U), cut(0.34 * R - 6)},
        {"CLOSURE", 13, y7, cut(0.5 * U), cut(0.13 * R), FALSE, 0, 0, 0, 0, "LESSONCLOSE", TRUE, 15, y7 + 10,
         cut(0.5 * U - 1), cut(0.13 * R - 6)},
        {"ASSESSMENT", c3, y7, cut(0.49 * U + 1), cut(0.13 * R), FALSE, 0, 0, 0, 0, "LESSONTEST", TRUE, c3 + 2, y7 + 10,
         cut(0.49 * U - 1), cut(0.13 * R - 6)},
        {"UNIT PLAN DESCRIPTION", 13, y8, cut(0.5 * U), cut(0.11 * R), FALSE, 0, 0, 0, 0, "UNITDESCRIPTION", TRUE, 15,
         y8 + 10, cut(0.5 * U - 1), cut(0.11 * R - 6)},
        {"LONG TERM DESCRIPTION", c3, y8, cut(0.49 * U + 1), cut(0.11 * R), FALSE, 0, 0, 0, 0, "LONGTERMDESCRIPTION",
         TRUE, c3 + 2, y8 + 10, cut(0.49 * U - 1), cut(0.11 * R - 6)},
        {"REFLECTION", 13, y9, cut(0.99 * U), cut(0.1 * R), FALSE, 0, 0, 0, 0, "LESSONREFLECT", TRUE, 15, y9 + 10,
         cut(0.94 * U), cut(0.1 * R - 6)},
    };
    if (rest) {
        rest->lessonName = value("LESSONNAME");
        rest->parts.clear();
    }
    for (const Box& box : boxes) drawBox(dc, box, values, values ? value(box.field) : FXString(), rest);

    // Footer.
    dc.setFont(smallFont);
    dc.drawText(cut((W - 3 - smallFont->getTextWidth(footerNotice)) * 0.99), cut(y9 + 0.1 * R) + 8, footerNotice);
}

FXbool drawLessonContinued(FXDC& dc, FXint W, FXint H, LessonRest& rest) {
    report::createFonts();
    dc.setForeground(white);
    dc.fillRectangle(0, 0, W, H);
    dc.setForeground(black);
    dc.setFont(labelFont);
    dc.drawText(15, 19, rest.lessonName + " (continued)");

    const FXint fh = textFont->getFontHeight();
    const FXint lh = FXMAX(textFont->getFontHeight(), 1);
    const FXint U = W - 16;
    const FXint boxWidth = cut(0.99 * U);
    const FXint textWidth = cut(0.94 * U);
    // The boxes stay above the footer.
    const FXint footerY = H - 3;
    const FXint bottom = footerY - smallFont->getFontHeight() - 4;
    FXint y = 37;
    while (!rest.parts.empty()) {
        LessonRest::Part& part = rest.parts.front();
        const std::vector<report::TextLine> lines = report::wrapText(textFont, part.text, textWidth, 1 << 30);
        // Lines at baselines y + 10 + k * lh, each with room for its descent.
        const FXint room = (bottom - y - 10 - lh / 2) / lh;
        if (room < 1) {
            // A page too small for one line would never end the lesson.
            if (y == 37) rest.parts.clear();
            break;
        }
        const FXint shown = FXMIN(room, (FXint)lines.size());
        const FXint h = 10 + shown * lh + lh / 2 + 2;
        dc.setForeground(black);
        dc.drawRectangle(13, y, boxWidth, h);
        dc.setFont(labelFont);
        dc.drawText(15, y + fh - 3, part.label + ((FXint)lines.size() > shown ? continuedNote : ""));
        dc.setFont(textFont);
        for (FXint k = 0; k < shown; k++) {
            const report::TextLine& line = lines[(size_t)k];
            if (line.length > 0)
                dc.drawText(15, y + 10 + (k + 1) * lh, part.text.text() + line.start, (FXuint)line.length);
        }
        if ((FXint)lines.size() > shown) {
            part.text = part.text.mid(lines[(size_t)shown].start, part.text.length());
            break;
        }
        rest.parts.erase(rest.parts.begin());
        y += h + 6;
    }
    dc.setFont(smallFont);
    dc.drawText(cut((W - 3 - smallFont->getTextWidth(footerNotice)) * 0.99), footerY, footerNotice);
    return !rest.parts.empty();
}
