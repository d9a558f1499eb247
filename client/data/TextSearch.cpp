#include "data/TextSearch.h"

#include <cstring>
#include <string>

#include "data/AppState.h"
#include "data/IsectRecordset.h"
#include "isdio.h"

using namespace FX;

namespace TextSearch {

const char* const MarkOpen = "\xC2\xAB";
const char* const MarkClose = "\xC2\xBB";

namespace {

// The one connection to the search service, apart from the database's.
int connection = -1;

const char* const notRunning =
    "The All text search is not running on the school's server just now, so only lesson names and marks can be "
    "searched. Ask whoever looks after the server to start the search service.";
const char* const noAnswer =
    "The All text search did not answer this time. Please try again in a moment; lesson names and marks can "
    "still be searched.";
const char* const tooLong = "That search is too long. Please search with fewer words (at most 1000 letters).";

bool connect() {
    if (connection != -1) return true;
    std::string host, service;
    if (!isdReadConnectionFile("Plenwick.ini", host, service) || host.empty()) return false;
    connection = isdLogin(host.c_str(), (service + "Search").c_str(), 2);
    return connection != -1;
}

void drop() {
    if (connection != -1) isdLogout(connection);
    connection = -1;
}

// Sends one request and collects every block of its reply; false when the
// connection failed or the router reported the request failed.
bool exchange(const std::string& request, std::string& reply) {
    IsdHeader header;
    memset(&header, 0, sizeof header);
    isdSetReplyWanted(&header, 1);
    if (isdSend(connection, request.data(), (int)request.size(), &header) == -1) {
        drop();
        return false;
    }
    reply.clear();
    do {
        char* block = isdRecv(connection, &header);
        if (!block) {
            // A failed request leaves the connection good; a broken one not.
            if (!isdFailureReason(connection)) drop();
            return false;
        }
        reply.append(block, (size_t)std::max(0, isdGetLength(&header)));
    } while (isdGetMore(&header) > 0);
    return true;
}

const char* scopeWord(Scope scope) {
    switch (scope) {
        case MINE:
            return "mine";
        case SYNDICATE:
            return "syndicate";
        default:
            return "school";
    }
}

}  // namespace

FXString CleanWords(const FXString& words) {
    FXString clean = words;
    for (FXint i = 0; i < clean.length(); ++i)
        if ((unsigned char)clean[i] < 0x20 || clean[i] == 0x7F) clean[i] = ' ';
    return clean.trim();
}

FXString KindName(const FXString& kind) {
    if (kind == "lesson") return "Lesson";
    if (kind == "unit") return "Unit";
    if (kind == "plan") return "Plan";
    if (kind == "attachment") return "Attachment";
    return kind;
}

Outcome Find(const FXString& words, Scope scope, FXint page) {
    Outcome outcome;
    const FXString clean = CleanWords(words);
    if (clean.length() > LongestWords) {
        outcome.message = tooLong;
        return outcome;
    }
    if (clean.empty()) {
        outcome.message = "Type the words to search for.";
        return outcome;
    }
    const std::string request = std::string("search\t") + scopeWord(scope) + "\t" +
                                (appState.currentUserId.empty() ? "0" : appState.currentUserId.text()) + "\t" +
                                (appState.currentSyndicate.empty() ? "0" : appState.currentSyndicate.text()) + "\t" +
                                std::to_string(page < 1 ? 1 : page) + "\t" + clean.text();
    std::string reply;
    // A connection the router closed while idle is made again once.
    bool answered = false;
    for (int attempt = 0; attempt < 2 && !answered; ++attempt) {
        if (!connect()) {
            outcome.message = notRunning;
            return outcome;
        }
        answered = exchange(request, reply);
        if (!answered && connection != -1) break;  // the router's failure: not again
    }
    if (!answered) {
        outcome.message = noAnswer;
        return outcome;
    }
    IsectRecordset rs;
    try {
        rs.OpenFromText(FXString(reply.data(), (FXint)reply.size()));
        if (rs.rows.IsEmpty()) return outcome;
        for (rs.MoveFirst(); !rs.eof(); rs.MoveNext()) {
            if (rs.GetField("KIND") == "message") {
                outcome.message = rs.GetField("TITLE");
                outcome.hits.clear();
                return outcome;
            }
            Hit hit;
            hit.kind = rs.GetField("KIND");
            hit.id = FXIntVal(rs.GetField("ID"));
            hit.unit = FXIntVal(rs.GetField("UNITID"));
            hit.teacher = rs.GetField("TEACHER");
            hit.date = rs.GetField("DATESTART").left(10);
            if (hit.date == "None") hit.date = FXString::null;
            hit.title = rs.GetField("TITLE");
            hit.snippet = rs.GetField("SNIPPET");
            outcome.total = FXLongVal(rs.GetField("TOTAL"));
            outcome.hits.push_back(hit);
        }
    } catch (const FXException&) {
        outcome = Outcome();
        outcome.message = noAnswer;
    }
    return outcome;
}

void Disconnect() { drop(); }

}  // namespace TextSearch
