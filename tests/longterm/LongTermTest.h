// Shared ground of the long-term view tests: a school of two terms in 2014
// (term 2 from Monday 28 April, ten weeks), a syndicate with three subjects,
// Tom as the current teacher, and a long-term window on the real
// application showing Wednesday 14 May 2014.
#ifndef PLENWICK_LONGTERMTEST_H
#define PLENWICK_LONGTERMTEST_H

#include <fx.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/GuiTest.h"
#include "longterm/LongTermWindow.h"
#include "support/RecordingDC.h"
#include "support/RecordingPrompter.h"

namespace longterm {

using testsupport::RecordingDC;

// The grid of a w x h term view of `weeks` weeks and `subjects` subjects,
// laid out as the view lays it out.
struct Grid {
    FX::FXint w, h, C, R, A, B, u, ch, lh, cw;
    Grid(FX::FXint width, FX::FXint height, FX::FXint weeks, FX::FXint subjects);
    FX::FXint x(FX::FXint column) const { return column == 0 ? 3 : 3 + 2 * u + (column - 1) * cw; }
    FX::FXint y(FX::FXint row) const { return 60 + ch * row; }
    FX::FXint width(FX::FXint column) const { return column == 0 ? 2 * u : cw; }
};

struct ColourRow {
    std::string id;
    FX::FXColor fill, text;
    std::string counter;
};

class LongTerm : public ::testing::Test {
protected:
    testsupport::RecordingPrompter prompts;
    LongTermWindow* window = nullptr;
    FX::FXImage* image = nullptr;

    enum : int { MATHS = 1, READING = 2, SCIENCE = 3 };

    void SetUp() override;
    void TearDown() override;

    // A long-term plan of subject `subject` from `start` to `end` (ISO
    // dates), Tom's own (owner 2) or the syndicate's (owner 1).
    static std::string planRow(int id, const std::string& name, int subject, const std::string& start,
                               const std::string& end, int owner = 2, const std::string& description = "",
                               int persistent = 0);
    static void plan(int id, const std::string& name, int subject, const std::string& start, const std::string& end,
                     int owner = 2, const std::string& description = "", int persistent = 0);
    // Term 3 of 2014 from 21 July, 14 weeks, 20 subjects with long names,
    // three plans each (weeks 1-4, 5-9, 10-14) with names far too long for
    // their bands, every other one the syndicate's; shows 6 August.
    static void fourteenWeeksTwentySubjects();
    // Shows the given day at noon.
    static void show(int year, int month, int day);

    // Draws the view w x h into an off-screen image and reads it back.
    void drawImage(FX::FXint w, FX::FXint h);
    FX::FXColor pixel(FX::FXint x, FX::FXint y) const { return image->getPixel(x, y); }

    std::vector<ColourRow> colourRows();
    ColourRow colourOf(const std::string& id);

    // Deletes the open plan editors; how many there were.
    int closeUnitPlanDialogs();
};

}  // namespace longterm

#endif
