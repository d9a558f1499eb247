// The search worker's work: the index fed from the school's database and
// the searches answered in the worker's result text.
//
// The database tells what changed through the table SEARCHCHANGE (Id,
// Kind, ItemId), filled by triggers on LessonPlan, UnitPlan, LongTerm and
// BinaryDescription; the service makes the table and its triggers when
// they are missing.  Before each search it reads the changes since the last
// one it read, so a search sees every change committed before it.  An index
// that is missing or was damaged is filled from the whole database.
//
// A request is one line of tab-separated fields:
//
//   search <TAB> scope <TAB> teacher <TAB> syndicate <TAB> page <TAB> words
//
// scope "mine", "syndicate" or "school"; page from 1.  The reply is result
// text as Vantry writes it, one row per hit of the page, columns KIND, ID,
// UNITID, TEACHER, DATESTART, TITLE, SNIPPET, TOTAL.  When the words cannot
// be read the one row has KIND 'message' and the words for the user in TITLE.
#ifndef PLENWICK_SEARCH_SERVICE_H
#define PLENWICK_SEARCH_SERVICE_H

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SearchIndex.h"
#include "Worker.h"

namespace search {

// Rows of one result text: each value as text, None as an empty text.
using Rows = std::vector<std::vector<std::string>>;
// Reads the rows of a result text (false for an error text).
bool readRows(const std::string& text, Rows& rows);
// Bytes of base64 text (standard alphabet; stops at "=" or any other byte).
std::string fromBase64(const std::string& text);

class Service {
public:
    // `log` receives the notes of the service (an attachment skipped, the
    // index rebuilt).
    explicit Service(const std::string& indexDirectory, void (*log)(const char*) = nullptr);
    ~Service();
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    // The service's own attachment to the database (prints the status
    // vector and returns false when it fails); finish() ends it.
    bool attach(const vantry::ConnectParams& params);
    int finish();

    // Makes the change table and its triggers when missing; fills an empty
    // or rebuilt index from the database, calling `meanwhile` (when given)
    // every few items, so that the caller can answer requests with
    // busyReply() while it works.
    void start(const std::function<void()>& meanwhile = nullptr);
    // Reads the changes since the last call into the index; false when they
    // could not be read.
    bool catchUp();
    // As catchUp, between requests: a failure is noted in the log (once
    // until it works again) instead of thrown; the next search says it.
    void catchUpQuietly();
    // Fills the index from the whole database.
    void rebuild(const std::function<void()>& meanwhile = nullptr);
    // The reply text for one request.
    std::string answer(const std::string& request);
    // The reply while the index is being filled: a sentence for the user.
    std::string busyReply() const;

    Index& index() { return *index_; }

private:
    // Collects what the worker writes: the result text of the service's
    // own queries.
    class Collect : public vantry::Transport {
    public:
        std::string text;
        int send(const char* data, int length, int) override {
            text.append(data, (size_t)length);
            return length;
        }
        void log(const char*) override {}
        void error(const char*) override {}
    };
    Collect collect_;
    vantry::Worker worker_;
    std::unique_ptr<Index> index_;
    void (*log_)(const char*);
    int quietPause_ = 0;  // quiet rounds left to skip after a failed one
    bool query(const std::string& sql, Rows& rows);
    void statement(const std::string& sql);
    void reindex(const std::string& kind, long id);
    void note(const std::string& text);
    static std::string replyText(const Result& result);
};

}  // namespace search

#endif
