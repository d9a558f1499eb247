// The four lists on the left of the plan editor and what is chosen in them:
// the long-term plan, the unit plan and the lesson every pane acts on.
//
//   longTerms   one entry per long-term plan of the term, data its Id
//   units       the teacher's unit plans of the chosen plan, data the Id;
//               then the transfer files waiting to be imported, data -1
//   days, lessons   the chosen unit's lessons, row for row, data the Id;
//               days shows the date, weekday or "Daily", lessons the name
//
// The dialog fills them and keeps them; panes read them (const) and tell
// the dialog through their target what they changed.
#ifndef PLENWICK_PLANLISTS_H
#define PLENWICK_PLANLISTS_H

#include <fx.h>

#include "ui/ListItems.h"

class PlanLists {
public:
    const FX::FXList* longTerms() const { return longTermList; }
    const FX::FXList* units() const { return unitList; }
    const FX::FXList* days() const { return dayList; }
    const FX::FXList* lessons() const { return lessonList; }

    // The lesson shown on the lesson tabs (0: none); it is forgotten when
    // another unit or plan is chosen.
    FX::FXint shownLesson() const { return lessonId; }
    // The shown unit's type as stored (1 unit plan, 2 routine lesson, 3
    // non-contact time): its lessons' date and time panel and their routine
    // day follow it, not a type radio clicked but not yet saved.
    FX::FXint unitType() const { return storedUnitType; }

    // The current entry of a list when it is also selected (the one the
    // teacher chose), or -1.
    static FX::FXint chosen(const FX::FXList* list) {
        const FX::FXint index = list->getCurrentItem();
        return index >= 0 && list->isItemSelected(index) ? index : -1;
    }
    // True when an entry reads exactly `text`.
    static bool holds(const FX::FXList* list, const FX::FXString& text) {
        for (FX::FXint i = 0; i < list->getNumItems(); ++i)
            if (list->getItemText(i) == text) return true;
        return false;
    }
    // The unit of the current unit entry when it is a unit of the database
    // (not a transfer file), or -1.
    FX::FXint unitId() const {
        const FX::FXint index = unitList->getCurrentItem();
        if (index < 0 || index >= unitList->getNumItems()) return -1;
        const FX::FXint id = lists::itemId(unitList, index);
        return id < 0 ? -1 : id;
    }

private:
    friend class UnitPlanDialog;
    FX::FXList* longTermList = nullptr;
    FX::FXList* unitList = nullptr;
    FX::FXList* dayList = nullptr;
    FX::FXList* lessonList = nullptr;
    FX::FXint lessonId = 0;
    FX::FXint storedUnitType = 1;
};

#endif
