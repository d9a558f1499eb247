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

namespace {

// The parse's state, fed one structure character at a time; plain runs of
// text between them go straight into the value.
class Parser {
public:
    Parser(const std::vector<TextBlock>& blocks, FXStringRecordset& fieldDefs, FXStringRecordset& rows)
        : blocks_(blocks), fieldDefs_(fieldDefs), rows_(rows) {}

    ParsedCounts run() {
        const unsigned char* cls = table.cls;
        for (size_t b = 0; b < blocks_.size(); ++b) {
            const char* p = blocks_[b].data;
            const size_t n = blocks_[b].size;
            size_t i = 0;
            if (skip_) {
                size_t here = skip_ < n ? skip_ : n;
                i = here;
                skip_ -= here;
            }
            while (i < n) {
                size_t j = i;
                while (j < n && cls[(unsigned char)p[j]] == PLAIN) ++j;
                if (j > i) {
                    value_.append(p + i, j - i);
                    i = j;
                    if (i >= n) break;
                }
                structure(cls[(unsigned char)p[i]], p[i], b, i);
                ++i;
            }
        }
        finish();
        return counts_;
    }

private:
    const std::vector<TextBlock>& blocks_;
    FXStringRecordset& fieldDefs_;
    FXStringRecordset& rows_;
    ParsedCounts counts_;
    StructureStack stack_;
    ValueText value_;
    bool newDefinitionRow_ = true, newDataRow_ = true, noValueSeparatorSeen_ = true, noDescriptorSeen_ = true;
    size_t skip_ = 0;  // characters of an escape that continue in the next block(s)

    // Character i of block b, of class `cls`.
    inline void structure(unsigned char cls, char c, size_t b, size_t& i) {
        switch (cls) {
            case OPEN:
                if (stack_.top() != '}') stack_.push(c);
                break;
            case CLOSEBRACE:
                stack_.push('}');
                noDescriptorSeen_ = false;
                break;
            case QUOTE: {
                char t = stack_.top();
                if (t == '\'')
                    stack_.pop();
                else if (t == '[')
                    stack_.push('\'');
                break;
            }
            case COLON:
                if (stack_.top() == '{')
                    value_.clear();
                else
                    value_.push(':');
                break;
            case COMMA:
                comma();
                break;
            case LINEFEED:
                stack_.pop();
                break;
            case BACKSLASH:
                escape(b, i);
                break;
            default:
                break;
        }
    }

    // A comma ends a data value or a descriptor value, or is text.
    inline void comma() {
        char t = stack_.top();
        if (t == '[' || t == ']') {
            noValueSeparatorSeen_ = false;
            rows_.AddField(value_.data(), value_.size(), newDataRow_);
            if (t == ']') {
                newDataRow_ = true;
                ++counts_.recordCount;
                stack_.pop();
            } else {
                newDataRow_ = false;
            }
            value_.clear();
        } else if (t == '{' || t == '}') {
            fieldDefs_.AddField(value_.data(), value_.size(), newDefinitionRow_);
            value_.clear();
            if (t == '}') {
                newDefinitionRow_ = true;
                ++counts_.fieldCount;
                stack_.pop();
                stack_.pop();
            } else {
                newDefinitionRow_ = false;
            }
        } else {
            value_.push(',');
        }
    }

    // The backslash at i of block b and the three characters after it, from
    // the following blocks when this one ends first: the character they
    // spell, or the backslash itself.  Leaves i on the escape's last
    // character in this block.
    void escape(size_t b, size_t& i) {
        char three[3];
        int got = 0;
        size_t bb = b, k = i + 1;
        while (got < 3 && bb < blocks_.size()) {
            if (k < blocks_[bb].size) {
                three[got++] = blocks_[bb].data[k++];
            } else {
                ++bb;
                k = 0;
            }
        }
        int decoded = got == 3 ? decodeEscape(three) : -1;
        if (decoded < 0) {
            value_.push('\\');
            return;
        }
        value_.push((char)decoded);
        const size_t n = blocks_[b].size;
        size_t left = n - (i + 1);
        if (left >= 3) {
            i += 3;
        } else {
            i = n - 1;
            skip_ = 3 - left;
        }
    }

    void finish() {
        if (counts_.fieldCount == 1 && counts_.recordCount == 0 && !value_.empty()) noValueSeparatorSeen_ = false;
        if (!noValueSeparatorSeen_ && !noDescriptorSeen_) {
            rows_.AddField(value_.data(), value_.size(), newDataRow_);
            ++counts_.recordCount;
        }
        fieldDefs_.MoveFirst();
        rows_.MoveFirst();
    }
};

}  // namespace

ParsedCounts ParseResultText(const std::vector<TextBlock>& blocks, FXStringRecordset& fieldDefs,
                             FXStringRecordset& rows) {
    return Parser(blocks, fieldDefs, rows).run();
}
