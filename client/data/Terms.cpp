#include "data/Terms.h"

#include "data/AppState.h"
#include "data/Dates.h"

using namespace FX;

namespace terms {

FXbool step(IsectRecordset& rs, FXbool forwards) {
    const FXString today = dates::today();
    const FXString sql = forwards ? "Select FirstDay from TermDate Where FirstDay > '" + today + "'"
                                  : "Select FirstDay from TermDate Where FirstDay <= '" + today + "'";
    if (!rs.OpenRecordset(sql)) return false;
    rs.rows.MoveFirst();
    if (rs.rows.eof) return false;
    if (!forwards) {
        rs.rows.MoveLast();
        rs.rows.MovePrevious();
    }
    // The term's first day is read raw (YYYY-MM-DD), with the daylight-saving
    // state of that day.
    appState.dateOffset = dates::offsetShowing(rs.rows.GetField(0));
    return true;
}

}  // namespace terms
