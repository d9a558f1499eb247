#include "data/ResultParser.h"

#include <string>

using namespace FX;

namespace {

enum CharClass : unsigned char {
    PLAIN = 0,
    OPEN,        // [ { ]
    CLOSEBRACE,  // }
    QUOTE,       // '
    COLON,       // :
    COMMA,       // ,
    LINEFEED,    // \n
    BACKSLASH,   // \ (escape)
};

struct ClassTable {
    unsigned char cls[256];
    ClassTable() {
        for (int i = 0; i < 256; ++i) cls[i] = PLAIN;
        cls[(unsigned char)'['] = OPEN;
        cls[(unsigned char)'{'] = OPEN;
        cls[(unsigned char)']'] = OPEN;
        cls[(unsigned char)'}'] = CLOSEBRACE;
        cls[(unsigned char)'\''] = QUOTE;
        cls[(unsigned char)':'] = COLON;
        cls[(unsigned char)','] = COMMA;
        cls[(unsigned char)'\n'] = LINEFEED;
        cls[(unsigned char)'\\'] = BACKSLASH;
    }
};
const ClassTable table;

// The structure stack holds single characters: '[', '{', ']', '}' and the
// quote; 'J' stands for the entry the parse starts with.
class StructureStack {
public:
    StructureStack() { s_.push_back('J'); }
    char top() const {
        if (s_.empty()) throw FXException("FXStringStack is empty.");
        return s_.back();
    }
    void push(char c) { s_.push_back(c); }
    void pop() {
        if (s_.empty()) throw FXException("FXStringStack is empty.");
        s_.pop_back();
    }

private:
    std::string s_;
};

inline int digitValue(char c) { return (c >= '0' && c <= '9') ? c - '0' : -1; }

// Decodes the three characters after a backslash: their leading decimal
// digits must make a number from 1 to 377, and their leading octal digits
// give the character.  Returns -1 when the backslash stands for itself.
int decodeEscape(const char three[3]) {
    int decimal = 0;
    for (int k = 0; k < 3 && digitValue(three[k]) >= 0; ++k) decimal = decimal * 10 + digitValue(three[k]);
    if (decimal < 1 || decimal > 377) return -1;
    int octal = 0;
    for (int k = 0; k < 3 && three[k] >= '0' && three[k] <= '7'; ++k) octal = octal * 8 + (three[k] - '0');
    if (octal == 0 || octal > 255) return -1;  // no NUL inside a text
    return octal;
}

}  // namespace

namespace {

// The value being read.  Most values lie whole inside one block between two
// structure characters, so the text is first only pointed at (`run`) and
// copied once, straight into the recordset; only a value put together from
// several pieces (escapes, a colon, a block boundary) is collected in
// `joined`.
class ValueText {
public:
    ValueText() { joined_.reserve(256); }
    void append(const char* p, size_t n) {
        if (!run_ && joined_.empty()) {
            run_ = p;
            runLength_ = n;
        } else if (run_ && p == run_ + runLength_) {
            runLength_ += n;
        } else {
            flush();
            joined_.append(p, n);
        }
    }
    void push(char c) {
        flush();
        joined_.push_back(c);
    }
    void clear() {
        run_ = nullptr;
        runLength_ = 0;
        joined_.clear();
    }
    bool empty() const { return !run_ && joined_.empty(); }
    const char* data() const { return run_ ? run_ : joined_.data(); }
    FXint size() const { return (FXint)(run_ ? runLength_ : joined_.size()); }

private:
    void flush() {
        if (run_) {
            joined_.append(run_, runLength_);
            run_ = nullptr;
            runLength_ = 0;
        }
    }
    const char* run_ = nullptr;
    size_t runLength_ = 0;
    std::string joined_;
};

}  // namespace

ParsedCounts ParseResultText(const std::vector<TextBlock>& blocks, FXStringRecordset& fieldDefs,
                             FXStringRecordset& rows) {
    ParsedCounts counts;
    StructureStack stack;
    ValueText value;
    bool newDefinitionRow = true, newDataRow = true, noValueSeparatorSeen = true, noDescriptorSeen = true;
    size_t skip = 0;  // characters of an escape that continue in the next block(s)

    const unsigned char* cls = table.cls;
    for (size_t b = 0; b < blocks.size(); ++b) {
        const char* p = blocks[b].data;
        const size_t n = blocks[b].size;
        size_t i = 0;
        if (skip) {
            size_t here = skip < n ? skip : n;
            i = here;
            skip -= here;
        }
        while (i < n) {
            size_t j = i;
            while (j < n && cls[(unsigned char)p[j]] == PLAIN) ++j;
            if (j > i) {
                value.append(p + i, j - i);
                i = j;
                if (i >= n) break;
            }
            const char c = p[i];
            switch (cls[(unsigned char)c]) {
            case OPEN:
                if (stack.top() != '}') stack.push(c);
                break;
            case CLOSEBRACE:
                stack.push('}');
                noDescriptorSeen = false;
                break;
            case QUOTE: {
                char t = stack.top();
                if (t == '\'') stack.pop();
                else if (t == '[') stack.push('\'');
                break;
            }
            case COLON:
                if (stack.top() == '{') value.clear();
                else value.push(':');
                break;
            case COMMA: {
                char t = stack.top();
                if (t == '[' || t == ']') {
                    noValueSeparatorSeen = false;
                    rows.AddField(value.data(), value.size(), newDataRow);
                    if (t == ']') {
                        newDataRow = true;
                        ++counts.recordCount;
                        stack.pop();
                    } else {
                        newDataRow = false;
                    }
                    value.clear();
                } else if (t == '{' || t == '}') {
                    fieldDefs.AddField(value.data(), value.size(), newDefinitionRow);
                    value.clear();
                    if (t == '}') {
                        newDefinitionRow = true;
                        ++counts.fieldCount;
                        stack.pop();
                        stack.pop();
                    } else {
                        newDefinitionRow = false;
                    }
                } else {
                    value.push(',');
                }
                break;
            }
            case LINEFEED:
                stack.pop();
                break;
            case BACKSLASH: {
                // The next three characters, from the following blocks when
                // this one ends first.
                char three[3];
                int got = 0;
                size_t bb = b, k = i + 1;
                while (got < 3 && bb < blocks.size()) {
                    if (k < blocks[bb].size) {
                        three[got++] = blocks[bb].data[k++];
                    } else {
                        ++bb;
                        k = 0;
                    }
                }
                int decoded = got == 3 ? decodeEscape(three) : -1;
                if (decoded < 0) {
                    value.push('\\');
                } else {
                    value.push((char)decoded);
                    size_t left = n - (i + 1);
                    if (left >= 3) {
                        i += 3;
                    } else {
                        i = n - 1;
                        skip = 3 - left;
                    }
                }
                break;
            }
            default:
                break;
            }
            ++i;
        }
    }

    if (counts.fieldCount == 1 && counts.recordCount == 0 && !value.empty()) noValueSeparatorSeen = false;
    if (!noValueSeparatorSeen && !noDescriptorSeen) {
        rows.AddField(value.data(), value.size(), newDataRow);
        ++counts.recordCount;
    }
    fieldDefs.MoveFirst();
    rows.MoveFirst();
    return counts;
}
