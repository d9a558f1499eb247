// The school's full-text index: lessons, units, long-term plans and the
// text of attachments in one Xapian database kept beside the school's
// database, searched as teachers search the web.
//
//   search::Index index("/var/lib/plenwick/search");
//   index.put({"lesson", 42, 2, 1, "Tom Hale", "2014-03-31", "Halves", "Fold a sheet..."});
//   index.commit();
//   search::Result r = index.find("fractions -decimals \"a half\"", search::Scope::School, 2, 1, 1);
//
// Words match whatever their case and accents ("maori" finds "Māori") and
// by their English stems ("halves" finds "halving"); "quoted words" match as
// a phrase and -word leaves out what holds the word.  Results come ranked,
// 20 a page, each with a snippet whose matched words stand between
// search::markOpen and search::markClose.
#ifndef PLENWICK_SEARCH_INDEX_H
#define PLENWICK_SEARCH_INDEX_H

#include <memory>
#include <string>
#include <vector>

namespace Xapian {
class WritableDatabase;
}

namespace search {

// What one document of the index is.
struct Item {
    std::string kind;  // "lesson", "unit", "plan", "attachment"
    long id = 0;
    long teacher = 0;    // the teacher whose it is (a plan: its FKSyndicate)
    long syndicate = 0;  // that teacher's syndicate leader
    std::string teacherName, date, title, text;
    long unit = 0;  // the unit an attachment or lesson belongs to
};

enum class Scope { Mine, Syndicate, School };

struct Hit {
    std::string kind;
    long id = 0, unit = 0;
    std::string teacherName, date, title, snippet;
    int percent = 0;
};

struct Result {
    std::vector<Hit> hits;  // the page asked for
    long total = 0;         // an estimate of all matches
    std::string message;    // for the user when the query could not be read
};

extern const char* const markOpen;
extern const char* const markClose;
constexpr int pageSize = 20;
// Longer queries are cut to this many bytes before they are read.
constexpr size_t longestQuery = 1000;

class Index {
public:
    // Opens the index in `directory`, creating it when missing.  A damaged
    // index is removed and made again empty: `rebuilt()` then says so and
    // the caller fills it from the database.
    explicit Index(const std::string& directory);
    ~Index();
    Index(const Index&) = delete;
    Index& operator=(const Index&) = delete;

    bool rebuilt() const { return rebuilt_; }
    long size() const;

    void put(const Item& item);  // adds or replaces the item
    void remove(const std::string& kind, long id);
    void removeAll();
    void commit();
    // A value kept with the index (the last change read, ...).
    std::string setting(const std::string& key) const;
    void setSetting(const std::string& key, const std::string& value);

    Result find(const std::string& query, Scope scope, long teacher, long syndicate, int page) const;

private:
    std::string directory_;
    std::unique_ptr<Xapian::WritableDatabase> db_;
    bool rebuilt_ = false;
    void open();
};

// Letters with accents as their plain letters (ā a, é e, Ł l ...), other
// text unchanged; invalid UTF-8 bytes become spaces.
std::string foldAccents(const std::string& text);

// The text of an attachment by its file name's extension: plain text,
// HTML, PDF (pdftotext), OpenDocument and Office documents (their XML).
// Empty for other kinds; a file that cannot be read gives empty text and
// `note` says why.
std::string attachmentText(const std::string& fileName, const std::string& bytes, std::string& note);
// Whether attachmentText reads any text from a file of this name: the bytes
// of a photo or a recording need not be fetched at all.
bool mayHoldText(const std::string& fileName);

}  // namespace search

#endif
