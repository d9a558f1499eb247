#include "longterm/LongTermTest.h"

#include <cstdlib>

#include "data/AppState.h"
#include "planedit/UnitPlanDialog.h"
#include "support/GuiActions.h"
#include "ui/AppResources.h"

using namespace FX;
using namespace guitest;

namespace longterm {

Grid::Grid(FXint width, FXint height, FXint weeks, FXint subjects)
    : w(width),
      h(height),
      C(weeks + 1),
      R(subjects + 1),
      A(width - 12),
      B(height - 60 - (smallFont->getFontHeight() + 1)) {
    u = A / C;
    ch = B / R;
    lh = (FXint)(ch / 2.3);
    cw = (A - u) / C;
    if (C > 1 && 3 + 2 * u + (C - 1) * cw > w - 1) cw = (w - 4 - 2 * u) / (C - 1);
}

void LongTerm::SetUp() {
    freshStart();
    sql("delete from Subject;"
        "insert into Teachers (Id, Teacher, Syndicate) values (1, 'Ann Leader', 1);"
        "insert into Teachers (Id, Teacher, Syndicate) values (2, 'Tom Hale', 1);"
        "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (1, '2014-02-03', 10, 2014, "
        "1);"
        "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (2, '2014-04-28', 10, 2014, "
        "2);"
        "insert into Subject (Id, Description, Ordinal, FKSyndicate) values (1, 'Mathematics', 1, 1);"
        "insert into Subject (Id, Description, Ordinal, FKSyndicate) values (2, 'Reading', 2, 1);"
        "insert into Subject (Id, Description, Ordinal, FKSyndicate) values (3, 'Science', 3, 1);");
    appState.currentUserId = "2";
    appState.currentSyndicate = "1";
    appState.americanDate = 0;
    show(2014, 5, 14);
    // The drawing's fonts (the window creates them when it is created).
    smallFont->create();
    labelFont->create();
    textFont->create();
    window = new LongTermWindow(app());
    prompts.clear();
}

void LongTerm::TearDown() {
    delete image;
    delete window;
    closeUnitPlanDialogs();
    settle();
}

std::string LongTerm::planRow(int id, const std::string& name, int subject, const std::string& start,
                              const std::string& end, int owner, const std::string& description, int persistent) {
    return "insert into LongTerm (Id, PlanName, Description, PlanStart, PlanEnd, FKSubject, FKSyndicate, Persistant) "
           "values (" +
           std::to_string(id) + ", '" + name + "', '" + description + "', '" + start + "', '" + end + "', " +
           std::to_string(subject) + ", " + std::to_string(owner) + ", " + std::to_string(persistent) + ");";
}

void LongTerm::plan(int id, const std::string& name, int subject, const std::string& start, const std::string& end,
                    int owner, const std::string& description, int persistent) {
    sql(planRow(id, name, subject, start, end, owner, description, persistent));
}

void LongTerm::fourteenWeeksTwentySubjects() {
    std::string rows =
        "delete from Subject;"
        "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (3, '2014-07-21', 14, 2014, "
        "3);";
    for (int s = 1; s <= 20; ++s)
        rows += "insert into Subject (Id, Description, Ordinal, FKSyndicate) values (" + std::to_string(s) +
                ", 'Subject " + std::to_string(s) + " with a long description', " + std::to_string(s) + ", 1);";
    // Three plans a subject: weeks 1-4, 5-9 and 10-14.
    const char* spans[3][2] = {
        {"2014-07-21", "2014-08-15"}, {"2014-08-18", "2014-09-19"}, {"2014-09-22", "2014-10-24"}};
    int id = 100;
    for (int s = 1; s <= 20; ++s)
        for (int p = 0; p < 3; ++p, ++id)
            rows += planRow(id, "Plan " + std::to_string(id) + " with a name far too long for its band", s, spans[p][0],
                            spans[p][1], id % 2 ? 1 : 2);
    sql(rows);
    show(2014, 8, 6);
}

void LongTerm::show(int year, int month, int day) {
    appState.dateOffset = offsetFor(localMoment(year, month, day, 12));
}

void LongTerm::drawImage(FXint w, FXint h) {
    delete image;
    image = new FXImage(app(), nullptr, IMAGE_KEEP, w, h);
    image->create();
    {
        FXDCWindow dc(image);
        dc.setForeground(FXRGB(1, 2, 3));
        dc.fillRectangle(0, 0, w, h);
        window->drawPlan(dc, w, h);
    }
    image->restore();
}

std::vector<ColourRow> LongTerm::colourRows() {
    std::vector<ColourRow> rows;
    FXStringRecordset& table = window->planColours;
    for (table.MoveFirst(); !table.eof; table.MoveNext())
        rows.push_back({FXString(table.GetField(0)).trim().text(),
                        (FXColor)strtol(table.GetField(1).text(), nullptr, 10),
                        (FXColor)strtol(table.GetField(2).text(), nullptr, 10), table.GetField(3).text()});
    return rows;
}

ColourRow LongTerm::colourOf(const std::string& id) {
    for (const auto& row : colourRows())
        if (row.id == id) return row;
    ADD_FAILURE() << "plan " << id << " is not in the colour table";
    return {};
}

int LongTerm::closeUnitPlanDialogs() { return testsupport::deleteWindows<UnitPlanDialog>(app()); }

}  // namespace longterm
