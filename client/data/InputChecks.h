// Checks of typed values before they go into SQL, for every window: dates,
// times of day and the length of a text against its column.  A check that
// fails throws FXTextException with a message in plain words that names the
// field, says what is wrong and how to type it; the typed text itself is
// never changed, so the user corrects it where it stands.
//
//   const FXString start = checks::date("Start Date", field->getText());    // '2026-03-25'
//   const FXString time = checks::timeOfDay("Start Time", text);            // "09:00", or "" when blank
//   checks::fits("Development", text, checks::textWidth);
//   sql += checks::timeLiteral(time);                                         // '09:00' or NULL
#ifndef PLENWICK_INPUTCHECKS_H
#define PLENWICK_INPUTCHECKS_H

#include <fx.h>

namespace checks {

// Widths of the text columns of the database: names (VARCHAR(140)) and
// descriptions and lesson texts (VARCHAR(4400)).
constexpr FX::FXint nameWidth = 140;
constexpr FX::FXint textWidth = 4400;

// A typed date in any form Year2000 reads (and D/M/YYYY), as 'YYYY-MM-DD';
// month first with appState.americanDate.  Refuses an empty text, a date
// without a year, a month above 12, a day the month does not have.
FX::FXString date(const FX::FXString& field, const FX::FXString& typed);

// A typed time of day, H:MM or HH:MM, as "HH:MM"; a blank text is "" (no
// time).  Refuses anything else, hours above 23, minutes above 59.
FX::FXString timeOfDay(const FX::FXString& field, const FX::FXString& typed);

// The SQL literal of a checked time: '09:00', or NULL for no time.
FX::FXString timeLiteral(const FX::FXString& checkedTime);

// The characters a text takes in its column once escaped for SQL (each
// ' , and \ is stored as four).
FX::FXint storedLength(const FX::FXString& text);

// Refuses a text that does not fit a column of `width` characters, saying
// by how much it is too long.
void fits(const FX::FXString& field, const FX::FXString& text, FX::FXint width);

}  // namespace checks

#endif
