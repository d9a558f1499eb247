// The "All text" search: words typed as in a web search, answered by the
// school's search service (Sifter) from its index beside the database.
//
//   TextSearch::Outcome found = TextSearch::Find("fractions -decimals", TextSearch::SCHOOL, 1);
//   if (!found.message.empty()) tell(found.message);
//   for (const TextSearch::Hit& hit : found.hits) show(hit.kind, hit.title, hit.snippet);
//
// The search service is a service of its own behind the router: the
// database service's name in "Plenwick.ini" followed by "Search"
// ("Plenwick" -> "PlenwickSearch").  Its connection is kept apart from the
// database's, so a search never joins or ends a transaction.  Nothing here
// throws: a service that is not running, a request it could not answer and
// words it could not read all come back as a sentence for the teacher in
// `message`.
#ifndef PLENWICK_TEXTSEARCH_H
#define PLENWICK_TEXTSEARCH_H

#include <fx.h>

#include <vector>

namespace TextSearch {

enum Scope { MINE, SYNDICATE, SCHOOL };

// Results come in pages of this many.
constexpr FX::FXint PageSize = 20;
// Longer searches are refused with a message.
constexpr FX::FXint LongestWords = 1000;

// The marks around a matched word in a snippet (UTF-8 « and »).
extern const char* const MarkOpen;
extern const char* const MarkClose;

struct Hit {
    FX::FXString kind;                           // "lesson", "unit", "plan" or "attachment"
    FX::FXint id = 0;                            // the lesson's, unit's, plan's or attachment's Id
    FX::FXint unit = 0;                          // the unit of a lesson, unit or attachment
    FX::FXString teacher, date, title, snippet;  // date 'YYYY-MM-DD' or empty
};

struct Outcome {
    std::vector<Hit> hits;  // the page asked for, best first
    FX::FXlong total = 0;   // about how many match in all
    FX::FXString message;   // for the teacher, instead of results
};

// Page `page` (from 1) of what matches `words` among the plans of `scope`,
// as the current user (appState.currentUserId, appState.currentSyndicate)
// sees them.
Outcome Find(const FX::FXString& words, Scope scope, FX::FXint page);

// The words as the service is sent them: control characters (tabs, line
// ends, binary bytes) as spaces, surrounding spaces removed.
FX::FXString CleanWords(const FX::FXString& words);

// A hit's kind as the results show it ("Lesson", "Unit", "Plan", "Attachment").
FX::FXString KindName(const FX::FXString& kind);

// Logs out of the search service; the next search logs in again.
void Disconnect();

}  // namespace TextSearch

#endif
