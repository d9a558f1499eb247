// The school's full-text index: see SearchIndex.h.
#include "SearchIndex.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <xapian.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace search {

const char* const markOpen = "\xC2\xAB";   // «
const char* const markClose = "\xC2\xBB";  // »

namespace {

// Plain letters of U+00C0..U+00FF and U+0100..U+017F; '*' keeps the letter.
const char latin1[] = "AAAAAAACEEEEIIIIDNOOOOO*OUUUUY**aaaaaaaceeeeiiiidnooooo*ouuuuy*y";
const char latinA[] =
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIiJjJjKkkLlLlLlLlLlNnNnNnnNnOoOoOoOoRrRrRrSsSsSsSsTtTtTtUuUuUuUuUu"
    "UuWwYyYZzZzZzs";

std::string term(const char* prefix, long value) { return prefix + std::to_string(value); }
std::string uniqueTerm(const std::string& kind, long id) { return "Q" + kind + ":" + std::to_string(id); }

std::string oneLine(std::string s) {
    for (char& c : s)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return s;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t at; (at = s.find(sep, start)) != std::string::npos; start = at + 1)
        out.push_back(s.substr(start, at - start));
    out.push_back(s.substr(start));
    return out;
}

// Removes a directory tree (the damaged index).
void removeTree(const std::string& path) {
    const std::string command = "rm -rf '" + path + "'";
    if (system(command.c_str()) != 0) {
        // Left as it is: opening it again fails with the same words.
    }
}

// Markup to text: tags become spaces, script and style are dropped, the
// common entities resolved.
std::string markupText(const std::string& xml) {
    std::string out;
    for (size_t i = 0; i < xml.size(); ++i) {
        if (xml[i] == '<') {
            const size_t end = xml.find('>', i);
            if (end == std::string::npos) break;
            std::string tag = xml.substr(i + 1, std::min<size_t>(end - i - 1, 10));
            for (char& c : tag) c = (char)tolower((unsigned char)c);
            for (const char* skipped : {"script", "style"}) {
                if (tag.compare(0, strlen(skipped), skipped) == 0) {
                    const std::string close = std::string("</") + skipped;
                    size_t stop = i;
                    for (; stop < xml.size(); ++stop)
                        if (strncasecmp(xml.c_str() + stop, close.c_str(), close.size()) == 0) break;
                    i = stop;
                }
            }
            const size_t next = xml.find('>', i);
            if (next == std::string::npos) break;
            i = next;
            out += ' ';
        } else if (xml[i] == '&') {
            static const std::pair<const char*, const char*> entities[] = {
                {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&nbsp;", " "}};
            bool done = false;
            for (const auto& e : entities)
                if (xml.compare(i, strlen(e.first), e.first) == 0) {
                    out += e.second;
                    i += strlen(e.first) - 1;
                    done = true;
                    break;
                }
            if (!done) out += ' ';
        } else {
            out += xml[i];
        }
    }
    return out;
}

std::string extension(const std::string& fileName) {
    const size_t dot = fileName.rfind('.');
    std::string ext = dot == std::string::npos ? "" : fileName.substr(dot + 1);
    for (char& c : ext) c = (char)tolower((unsigned char)c);
    return ext;
}

// Runs a command and gives its standard output; false when it failed.
bool output(const std::string& command, std::string& text) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return false;
    char buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    const int status = pclose(pipe);
    return status == 0;
}

// A file of its own for a tool to read, removed with the object.
struct TempFile {
    std::string dir, path;
    TempFile(const std::string& bytes, const std::string& ext) {
        char pattern[] = "/tmp/plenwick-search-XXXXXX";
        if (mkdtemp(pattern)) dir = pattern;
        path = dir + "/file." + ext;
        std::ofstream out(path, std::ios::binary);
        out.write(bytes.data(), (std::streamsize)bytes.size());
    }
    ~TempFile() {
        unlink(path.c_str());
        rmdir(dir.c_str());
    }
};

}  // namespace

std::string foldAccents(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = text[i];
        size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        bool valid = n > 0 && i + n <= text.size();
        for (size_t k = 1; valid && k < n; ++k) valid = ((unsigned char)text[i + k] & 0xC0) == 0x80;
        if (!valid) {
            out += ' ';
            ++i;
            continue;
        }
        if (n == 1) {
            out += (c < 0x20 && c != '\t' && c != '\n') ? ' ' : (char)c;
        } else if (n == 2) {
            const unsigned code = ((c & 0x1F) << 6) | ((unsigned char)text[i + 1] & 0x3F);
            char plain = '*';
            if (code >= 0xC0 && code <= 0xFF) plain = latin1[code - 0xC0];
            if (code >= 0x100 && code <= 0x17F) plain = latinA[code - 0x100];
            if (plain != '*')
                out += plain;
            else
                out.append(text, i, n);
        } else {
            out.append(text, i, n);
        }
        i += n;
    }
    return out;
}

bool mayHoldText(const std::string& fileName) {
    static const char* const kinds[] = {"txt", "text", "csv", "md",   "htm",  "html", "xhtml",
                                        "odt", "ods",  "odp", "docx", "xlsx", "pptx", "pdf"};
    const std::string ext = extension(fileName);
    for (const char* kind : kinds)
        if (ext == kind) return true;
    return false;
}

std::string attachmentText(const std::string& fileName, const std::string& bytes, std::string& note) {
    const std::string ext = extension(fileName);
    if (ext == "txt" || ext == "text" || ext == "csv" || ext == "md") return bytes;
    if (ext == "htm" || ext == "html" || ext == "xhtml") return markupText(bytes);
    const char* member = nullptr;
    if (ext == "odt" || ext == "ods" || ext == "odp") member = "content.xml";
    if (ext == "docx") member = "word/document.xml";
    if (ext == "xlsx") member = "xl/sharedStrings.xml";
    if (ext == "pptx") member = "ppt/slides/*.xml";
    if (ext != "pdf" && !member) return "";
    TempFile file(bytes, ext);
    std::string text;
    if (ext == "pdf") {
        if (!output("pdftotext -q -enc UTF-8 '" + file.path + "' - 2>/dev/null", text)) {
            note = fileName + ": a damaged or encrypted PDF, not indexed";
            return "";
        }
        return text;
    }
    if (!output("unzip -p -qq '" + file.path + "' '" + member + "' 2>/dev/null", text) || text.empty()) {
        note = fileName + ": not a readable document, not indexed";
        return "";
    }
    return markupText(text);
}

Index::Index(const std::string& directory) : directory_(directory) { open(); }

Index::~Index() {
    try {
        if (db_) db_->commit();
    } catch (const Xapian::Error&) {
    }
}

void Index::open() {
    try {
        db_.reset(new Xapian::WritableDatabase(directory_, Xapian::DB_CREATE_OR_OPEN));
        db_->get_doccount();
        return;
    } catch (const Xapian::DatabaseLockError&) {
        throw;
    } catch (const Xapian::Error&) {
        // Damaged: made again, to be filled from the database.
    }
    removeTree(directory_);
    db_.reset(new Xapian::WritableDatabase(directory_, Xapian::DB_CREATE_OR_OVERWRITE));
    rebuilt_ = true;
}

long Index::size() const { return (long)db_->get_doccount(); }

namespace {

// Snippets are cut from the first part of a text only: a search reads every
// hit's stored text and looks through it for the matched words, which for a
// 10 MB document would cost a tenth of a second a hit, and 20 hits of
// 64 kB worksheets as much.  Every word of the
// whole text is still indexed; a word found only further on gets a snippet
// of the text's beginning.
constexpr size_t snippetSourceBytes = 8 * 1024;

std::string snippetSource(const std::string& text) {
    if (text.size() <= snippetSourceBytes) return text;
    size_t end = snippetSourceBytes;
    while (end > 0 && ((unsigned char)text[end] & 0xC0) == 0x80) --end;  // not inside a UTF-8 letter
    return text.substr(0, end);
}

}  // namespace

void Index::put(const Item& item) {
    Xapian::Document doc;
    Xapian::TermGenerator generator;
    generator.set_stemmer(Xapian::Stem("english"));
    generator.set_stemming_strategy(Xapian::TermGenerator::STEM_SOME);
    generator.set_document(doc);
    generator.index_text(foldAccents(item.title), 2);  // names weigh more
    generator.increase_termpos();
    generator.index_text(foldAccents(item.text));
    const std::string unique = uniqueTerm(item.kind, item.id);
    doc.add_boolean_term(unique);
    doc.add_boolean_term("XK" + item.kind);
    doc.add_boolean_term(term("XT", item.teacher));
    doc.add_boolean_term(term("XS", item.syndicate));
    doc.set_data(item.kind + "\t" + std::to_string(item.id) + "\t" + std::to_string(item.unit) + "\t" +
                 oneLine(item.teacherName) + "\t" + oneLine(item.date) + "\t" + oneLine(item.title) + "\t" +
                 oneLine(snippetSource(item.text)));
    db_->replace_document(unique, doc);
}

void Index::remove(const std::string& kind, long id) { db_->delete_document(uniqueTerm(kind, id)); }

void Index::removeAll() {
    for (const char* kind : {"lesson", "unit", "plan", "attachment"}) db_->delete_document(std::string("XK") + kind);
}

void Index::commit() { db_->commit(); }

std::string Index::setting(const std::string& key) const { return db_->get_metadata(key); }
void Index::setSetting(const std::string& key, const std::string& value) { db_->set_metadata(key, value); }

Result Index::find(const std::string& typed, Scope scope, long teacher, long syndicate, int page) const {
    Result result;
    std::string query = foldAccents(typed.substr(0, longestQuery));
    Xapian::QueryParser parser;
    parser.set_stemmer(Xapian::Stem("english"));
    parser.set_stemming_strategy(Xapian::QueryParser::STEM_SOME);
    parser.set_default_op(Xapian::Query::OP_AND);
    parser.set_database(*db_);
    Xapian::Query words;
    try {
        words = parser.parse_query(query, Xapian::QueryParser::FLAG_PHRASE | Xapian::QueryParser::FLAG_LOVEHATE |
                                              Xapian::QueryParser::FLAG_BOOLEAN);
    } catch (const Xapian::QueryParserError&) {
        // Operators that do not make sense: the words alone.
        try {
            words = parser.parse_query(query, 0);
        } catch (const Xapian::QueryParserError&) {
            result.message =
                "These search words could not be read. Type the words to look for, "
                "\"words in quotes\" for a phrase and -word to leave a word out.";
            return result;
        }
    }
    if (words.empty()) {
        result.message = "Type one or more words to look for.";
        return result;
    }
    Xapian::Query filter;
    if (scope == Scope::Mine) filter = Xapian::Query(term("XT", teacher));
    if (scope == Scope::Syndicate) filter = Xapian::Query(term("XS", syndicate));
    const Xapian::Query full = filter.empty() ? words : Xapian::Query(Xapian::Query::OP_FILTER, words, filter);
    Xapian::Enquire enquire(*db_);
    enquire.set_query(full);
    if (page < 1) page = 1;
    const Xapian::MSet mset = enquire.get_mset((Xapian::doccount)(page - 1) * pageSize, pageSize, 200);
    result.total = (long)mset.get_matches_estimated();
    const Xapian::Stem stemmer("english");
    for (Xapian::MSetIterator it = mset.begin(); it != mset.end(); ++it) {
        const std::vector<std::string> f = split(it.get_document().get_data(), '\t');
        if (f.size() < 7) continue;
        Hit hit;
        hit.kind = f[0];
        hit.id = atol(f[1].c_str());
        hit.unit = atol(f[2].c_str());
        hit.teacherName = f[3];
        hit.date = f[4];
        hit.title = f[5];
        hit.percent = it.get_percent();
        // The snippet from the text as written; when the words matched only
        // without their accents, from the text without accents.
        const std::string& text = f[6].empty() ? f[5] : f[6];
        const unsigned flags = Xapian::MSet::SNIPPET_EXHAUSTIVE | Xapian::MSet::SNIPPET_EMPTY_WITHOUT_MATCH;
        hit.snippet = mset.snippet(text, 200, stemmer, flags, markOpen, markClose, "...");
        if (hit.snippet.empty())
            hit.snippet = mset.snippet(foldAccents(text), 200, stemmer, flags, markOpen, markClose, "...");
        if (hit.snippet.empty()) hit.snippet = mset.snippet(text, 200, stemmer, 0, markOpen, markClose, "...");
        result.hits.push_back(hit);
    }
    return result;
}

}  // namespace search
