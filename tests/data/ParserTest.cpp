// The result-text parser through OpenFromText and with the text cut into
// blocks: the examples of the worker's format, escapes, odd shapes, and
// malformed text that must end in an exception, never a crash.
#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "data/AppState.h"
#include "data/IsectRecordset.h"
#include "data/ResultParser.h"

using namespace FX;

namespace {

const char* const twoRows =
    "[[{'name':'ID','type':'i','null':0,'width':4},{'name':'TITLE','type':'s','null':1,'width':80}],\n"
    "[[          1,'Fractions'],\n"
    "[          2,None]]]\n";

std::string str(const FXString& s) { return std::string(s.text(), s.length()); }

// All values of all rows, "|" between fields and "/" after each row.
std::string dump(FXStringRecordset& rs) {
    std::string out;
    for (const FXStringRecordset::Row* row = rs.FirstRow(); row; row = row->next) {
        for (const FXStringRecordset::Field* f = row->firstField; f; f = f->next) {
            out += str(f->value);
            if (f->next) out += "|";
        }
        out += "/";
    }
    return out;
}

struct Parsed {
    std::string defs, rows;
    FXint fieldCount;
    FXlong recordCount;
    bool operator==(const Parsed& o) const {
        return defs == o.defs && rows == o.rows && fieldCount == o.fieldCount && recordCount == o.recordCount;
    }
};

// The text with `changes` random characters of the structure replaced,
// removed or inserted.
std::string damaged(std::string text, int changes, std::mt19937& random) {
    const std::string alphabet = "[]{}',:\n\\0123 aN";
    for (int k = 0; k < changes; ++k) {
        size_t at = random() % text.size();
        switch (random() % 3) {
            case 0:
                text[at] = alphabet[random() % alphabet.size()];
                break;
            case 1:
                text.erase(at, 1 + random() % 5);
                break;
            default:
                text.insert(at, 1, alphabet[random() % alphabet.size()]);
                break;
        }
        if (text.empty()) text = "[";
    }
    return text;
}

Parsed parseBlocks(const std::vector<std::string>& parts) {
    std::vector<TextBlock> blocks;
    for (const auto& p : parts) blocks.push_back({p.data(), p.size()});
    FXStringRecordset defs, rows;
    ParsedCounts c = ParseResultText(blocks, defs, rows);
    return {dump(defs), dump(rows), c.fieldCount, c.recordCount};
}

// What a text must give, read the plain way: one character after the other
// on one string, by the rules of the reply format (a stack of structure
// characters starting with one entry, four flags, the current value), with
// none of the parser's shortcuts (values pointed at in place, blocks, sizes
// reserved ahead).  Throws the parser's message for a stack used up.
struct Reading {
    std::vector<std::string> stack{"Junk"};
    std::vector<std::vector<std::string>> defs, rows;
    std::string value;
    bool newDefinitionRow = true, newDataRow = true, noValueSeparatorSeen = true, noDescriptorSeen = true;
    FXint fieldCount = 0;
    FXlong recordCount = 0;

    const std::string& top() const {
        if (stack.empty()) throw std::string("FXStringStack is empty.");
        return stack.back();
    }
    void pop() {
        if (stack.empty()) throw std::string("FXStringStack is empty.");
        stack.pop_back();
    }
    static void add(std::vector<std::vector<std::string>>& table, const std::string& v, bool newRow) {
        if (newRow || table.empty()) table.emplace_back();
        table.back().push_back(v);
    }
    static std::string joined(const std::vector<std::vector<std::string>>& table) {
        std::string out;
        for (const auto& row : table) {
            for (size_t i = 0; i < row.size(); ++i) out += (i ? "|" : "") + row[i];
            out += "/";
        }
        return out;
    }
    // A backslash and three characters: their leading decimal digits make a
    // number from 1 to 377, and their leading octal digits spell the
    // character (never NUL); anything else leaves the backslash itself.
    static int escape(const std::string& three) {
        if (three.size() < 3) return -1;
        int decimal = 0, octal = 0;
        for (size_t k = 0; k < 3 && isdigit((unsigned char)three[k]); ++k) decimal = decimal * 10 + (three[k] - '0');
        for (size_t k = 0; k < 3 && three[k] >= '0' && three[k] <= '7'; ++k) octal = octal * 8 + (three[k] - '0');
        return decimal >= 1 && decimal <= 377 && octal >= 1 && octal <= 255 ? octal : -1;
    }

    Parsed read(const std::string& text) {
        for (size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '[' || c == '{' || c == ']') {
                if (top() != "}") stack.push_back(std::string(1, c));
            } else if (c == '}') {
                stack.push_back("}");
                noDescriptorSeen = false;
            } else if (c == '\'') {
                if (top() == "'")
                    pop();
                else if (top() == "[")
                    stack.push_back("'");
            } else if (c == ':') {
                if (top() == "{")
                    value.clear();
                else
                    value += ':';
            } else if (c == ',') {
                const std::string t = top();
                if (t == "[" || t == "]") {
                    noValueSeparatorSeen = false;
                    add(rows, value, newDataRow);
                    newDataRow = t == "]";
                    if (t == "]") {
                        ++recordCount;
                        pop();
                    }
                    value.clear();
                } else if (t == "{" || t == "}") {
                    add(defs, value, newDefinitionRow);
                    value.clear();
                    newDefinitionRow = t == "}";
                    if (t == "}") {
                        ++fieldCount;
                        pop();
                        pop();
                    }
                } else {
                    value += ',';
                }
            } else if (c == '\n') {
                pop();
            } else if (c == '\\') {
                const int decoded = escape(text.substr(i + 1, 3));
                if (decoded < 0) {
                    value += '\\';
                } else {
                    value += (char)decoded;
                    i += 3;
                }
            } else {
                value += c;
            }
        }
        if (fieldCount == 1 && recordCount == 0 && !value.empty()) noValueSeparatorSeen = false;
        if (!noValueSeparatorSeen && !noDescriptorSeen) {
            add(rows, value, newDataRow);
            ++recordCount;
        }
        return {joined(defs), joined(rows), fieldCount, recordCount};
    }
};

// The parse of `text` as one line: definitions # rows # fields/records, or
// the message it raised; by the parser (cut into `parts` when given) or by
// the plain reading.
std::string summary(const Parsed& p) {
    return p.defs + "#" + p.rows + "#" + std::to_string(p.fieldCount) + "/" + std::to_string(p.recordCount);
}
std::string parsed(const std::vector<std::string>& parts) {
    try {
        return summary(parseBlocks(parts));
    } catch (const FXException& e) {
        return e.what();
    }
}
std::string read(const std::string& text) {
    try {
        return summary(Reading().read(text));
    } catch (const std::string& message) {
        return message;
    }
}

TEST(Parser, TwoColumnsTwoRowsWithANull) {
    IsectRecordset rs;
    rs.OpenFromText(twoRows);
    EXPECT_EQ(2, rs.fieldCount);
    EXPECT_EQ(2, rs.recordCount);
    EXPECT_EQ("ID|i|0|4/TITLE|s|1|80/", dump(rs.fieldDefs));
    EXPECT_EQ("          1|Fractions/          2|None/", dump(rs.rows));
    EXPECT_EQ(FXString("          1"), rs.GetField("id"));  // integers keep their alignment
    EXPECT_EQ(FXString("Fractions"), rs.GetField("title"));
    rs.MoveNext();
    EXPECT_EQ(FXString("None"), rs.GetField("TITLE"));
    EXPECT_EQ(FXString(twoRows), rs.GetText());
}

TEST(Parser, StatementWithoutColumnsGivesOneEmptyRow) {
    IsectRecordset rs;
    rs.OpenFromText("[[],[]]");
    EXPECT_EQ(0, rs.fieldCount);
    EXPECT_EQ(1, rs.recordCount);
    EXPECT_TRUE(rs.fieldDefs.IsEmpty());
    EXPECT_EQ("/", dump(rs.rows));
}

TEST(Parser, SingleEmptyValueInOneColumnGivesNoRows) {
    IsectRecordset rs;
    rs.OpenFromText("[[{'name':'NAME','type':'s','null':1,'width':40}],\n[['']]]\n");
    EXPECT_EQ(1, rs.fieldCount);
    EXPECT_EQ(0, rs.recordCount);
    EXPECT_TRUE(rs.rows.IsEmpty());
    // One column, one non-empty value, and one column with two rows.
    rs.OpenFromText("[[{'name':'NAME','type':'s','null':1,'width':40}],\n[['x']]]\n");
    EXPECT_EQ(1, rs.recordCount);
    EXPECT_EQ("x/", dump(rs.rows));
    rs.OpenFromText("[[{'name':'NAME','type':'s','null':1,'width':40}],\n[['x'],\n['']]]\n");
    EXPECT_EQ(2, rs.recordCount);
    EXPECT_EQ("x/", dump(rs.rows).substr(0, 2));
}

TEST(Parser, QueryWithoutRows) {
    IsectRecordset rs;
    rs.OpenFromText(
        "[[{'name':'ID','type':'i','null':0,'width':4},{'name':'N','type':'s','null':1,'width':9}],\n[]]\n");
    EXPECT_EQ(2, rs.fieldCount);
    EXPECT_EQ(0, rs.recordCount);
    rs.MoveFirst();
    EXPECT_TRUE(rs.eof());
    EXPECT_THROW(rs.GetField("ID"), FXException);
}

TEST(Parser, FieldAccessByNameOrdinalAndEmptyText) {
    IsectRecordset rs;
    rs.OpenFromText(
        "[[{'name':'PLANNAME','type':'s','null':1,'width':140},{'name':'PLANSTART','type':'d','null':1,"
        "'width':4},{'name':'TIMESTART','type':'d','null':1,'width':4}],\n"
        "[['Number','2014-04-03','08:05:00.0000']]]\n");
    EXPECT_EQ(FXString("Number"), rs.GetField("PlanName"));
    EXPECT_EQ(FXString("Number"), rs.GetField(""));
    EXPECT_EQ(0, rs.FieldOrdinal("planname").ordinal);
    EXPECT_EQ(FXString("PLANSTART"), rs.FieldOrdinal("1").name);
    EXPECT_EQ(FXString("d"), rs.FieldOrdinal("1").type);
    FXint saved = appState.americanDate;
    appState.americanDate = 0;
    EXPECT_EQ(FXString("03/04/14"), rs.GetField("1"));
    appState.americanDate = 1;
    EXPECT_EQ(FXString("04/03/14"), rs.GetField(1));
    appState.americanDate = saved;
    EXPECT_EQ(FXString("08:05"), rs.GetField("TimeStart"));
    try {
        rs.GetField("Nothing");
        FAIL();
    } catch (const FXException& e) {
        EXPECT_STREQ("IsectRecordset::FieldOrdinal - Invalid field name or ordinal.", e.what());
    }
    EXPECT_THROW(rs.GetField("3"), FXException);
    EXPECT_THROW(rs.GetField(-1), FXException);
}

TEST(Parser, EscapesAreDecodedOnlyWhenTheySpellACharacter) {
    IsectRecordset rs;
    rs.OpenFromText(
        "[[{'name':'T','type':'s','null':1,'width':200}],\n"
        "[['it\\047s\\054 a\\012b\\051'],\n"
        "['C:\\temp\\new \\101\\377'],\n"
        "['\\000 \\378 \\09 end\\']]]\n");
    ASSERT_EQ(3, rs.recordCount);
    rs.MoveFirst();
    EXPECT_EQ("it's, a\nb)", str(rs.GetField("T")));
    rs.MoveNext();
    EXPECT_EQ("C:\\temp\\new A\xff", str(rs.GetField("T")));
    rs.MoveNext();
    // \000 is no character, 378 is out of range, \09 has no octal digits after
    // the zero: all stay as written; so does a backslash at the very end.
    EXPECT_EQ("\\000 \\378 \\09 end\\", str(rs.GetField("T")));
}

TEST(Parser, EscapeSplitAcrossBlocksIsDecodedOnce) {
    const std::string text =
        "[[{'name':'ID','type':'i','null':0,'width':4},{'name':'T','type':'s','null':1,'width':80}],\n"
        "[[          1,'O\\047Brien\\054 Ann'],\n[          2,'a\\134b']]]\n";
    Parsed whole = parseBlocks({text});
    EXPECT_EQ("          1|O'Brien, Ann/          2|a\\b/", whole.rows);
    for (size_t cut = 1; cut < text.size(); ++cut) {
        Parsed split = parseBlocks({text.substr(0, cut), text.substr(cut)});
        EXPECT_TRUE(split == whole) << "cut at " << cut << ": " << split.rows;
        // and with a one-character block in the middle
        if (cut + 1 < text.size()) {
            Parsed three = parseBlocks({text.substr(0, cut), text.substr(cut, 1), text.substr(cut + 1)});
            EXPECT_TRUE(three == whole) << "three blocks at " << cut;
        }
    }
}

// What damage does to a reply, as a damaged transfer file or a reply cut
// short brings it: a text cut off keeps the rows before the cut and the
// cut row as far as it came; a line feed lost between two rows changes
// nothing; an unclosed quote ends at the line feed that ends its row; line
// feeds closing more than was opened raise the stack's message.
TEST(Parser, DamagedTextGivesWhatItsCharactersSay) {
    const std::string defs = "ID|i|0|4/TITLE|s|1|80/";
    const std::string head =
        "[[{'name':'ID','type':'i','null':0,'width':4},{'name':'TITLE','type':'s','null':1,'width':80}],\n";
    EXPECT_EQ(read(twoRows), defs + "#          1|Fractions/          2|None/#2/2");
    EXPECT_EQ(read(head + "[[          1,'Fractions'],\n[          2,'Deci"),
              defs + "#          1|Fractions/          2|Deci/#2/2");
    EXPECT_EQ(read(head + "[[          1,'Fractions'],[          2,None]]]\n"),
              defs + "#          1|Fractions/          2|None/#2/2");
    EXPECT_EQ(read(head + "[[          1,'Fractions],\n[          2,'Decimals']]]\n"),
              defs + "#          1|Fractions/          2|Decimals/#2/2");
    EXPECT_EQ(read(head + "[[          1,'Fractions']\n\n\n\n"), defs + "#          1|Fractions/#2/1");
    EXPECT_EQ(read(head + "[[          1,'Fractions']\n\n\n\n\n\n"), "FXStringStack is empty.");
    for (const std::string& text :
         {head + "[[          1,'Fractions'],\n[          2,'Deci",
          head + "[[          1,'Fractions'],[          2,None]]]\n",
          head + "[[          1,'Fractions],\n[          2,'Decimals']]]\n",
          head + "[[          1,'Fractions']\n\n\n\n", head + "[[          1,'Fractions']\n\n\n\n\n\n"})
        EXPECT_EQ(parsed({text}), read(text)) << text;
}

// Values are taken from the text where they lie unless escapes, colons or
// block boundaries break them up: whatever the damage, the parser gives
// what the plain reading gives, the text whole or cut into blocks of any
// size, a boundary falling anywhere.
TEST(Parser, DamagedTextReadsAsItsCharactersSayWholeOrInBlocks) {
    const std::string seed =
        "[[{'name':'ID','type':'i','null':0,'width':4},{'name':'T','type':'s','null':1,'width':80},"
        "{'name':'AT','type':'d','null':1,'width':4}],\n"
        "[[          1,'O\\047Brien\\054 Ann','08:05:00.0000'],\n[          2,None,'a:b\\134c'],\n"
        "[          3,'\\012\\012x','']]]\n";
    EXPECT_EQ("          1|O'Brien, Ann|08:05:00.0000/          2|None|a:b\\c/          3|\n\nx|/",
              parseBlocks({seed}).rows);
    std::mt19937 random(20261208);
    for (int round = 0; round < 2000; ++round) {
        int changes = random() % 6;
        std::string text = damaged(seed, changes, random);
        std::vector<std::string> parts;
        for (size_t at = 0; at < text.size();) {
            size_t length = 1 + random() % (round % 2 ? 4 : 60);
            parts.push_back(text.substr(at, length));
            at += length;
        }
        const std::string expected = read(text);
        ASSERT_EQ(parsed({text}), expected) << "round " << round << ": " << text;
        ASSERT_EQ(parsed(parts), expected) << "round " << round << " in blocks: " << text;
    }
}

// Text given to OpenFromText is kept once; GetText gives it back, also after
// an error text, and a later text replaces it.
TEST(Parser, TextGivenIsTheTextReturned) {
    IsectRecordset rs;
    rs.OpenFromText(twoRows);
    EXPECT_TRUE(rs.blocks.IsEmpty());
    EXPECT_EQ(FXString(twoRows), rs.GetText());
    EXPECT_THROW(rs.OpenFromText("Table unknown\n"), FXException);
    EXPECT_EQ(FXString("Table unknown\n"), rs.GetText());
    EXPECT_EQ(0, rs.recordCount);
    rs.OpenFromText("[[],[]]");
    EXPECT_EQ(FXString("[[],[]]"), rs.GetText());
    EXPECT_EQ(1, rs.recordCount);
}

TEST(Parser, ErrorTextIsRaisedTrimmed) {
    IsectRecordset rs;
    try {
        rs.OpenFromText("  Dynamic SQL Error\nSQL error code = -204\nTable unknown\n");
        FAIL();
    } catch (const FXException& e) {
        EXPECT_STREQ("Dynamic SQL Error\nSQL error code = -204\nTable unknown", e.what());
    }
    EXPECT_THROW(rs.OpenFromText(""), FXException);
}

TEST(Parser, LineFeedsClosingMoreThanOpenedRaiseStackEmpty) {
    IsectRecordset rs;
    try {
        rs.OpenFromText("[\n\n\n");
        FAIL();
    } catch (const FXException& e) {
        EXPECT_STREQ("FXStringStack is empty.", e.what());
    }
    // The failed parse leaves no half result behind.
    EXPECT_EQ(0, rs.fieldCount);
    EXPECT_TRUE(rs.rows.IsEmpty());
}

// Through OpenFromText, as a transfer file is read: a damaged text gives
// what the plain reading gives (a text without any "[" is an error text,
// raised trimmed), and its rows can be walked.
TEST(Parser, RandomDamageThroughARecordsetGivesWhatItsCharactersSay) {
    std::mt19937 random(20141203);
    for (int round = 0; round < 3000; ++round) {
        int changes = 1 + random() % 8;
        std::string text = damaged(twoRows, changes, random);
        std::string expected = read(text);
        if (text.find('[') == std::string::npos) {
            expected = FXString(text.data(), (FXint)text.size()).trim().text();
        }
        IsectRecordset rs;
        std::string got;
        try {
            rs.OpenFromText(FXString(text.data(), (FXint)text.size()));
            got = summary({dump(rs.fieldDefs), dump(rs.rows), rs.fieldCount, rs.recordCount});
            for (rs.MoveFirst(); !rs.eof(); rs.MoveNext()) rs.rows.FieldCount();
        } catch (const FXException& e) {
            got = e.what();
        }
        ASSERT_EQ(got, expected) << "round " << round << ": " << text;
    }
}

TEST(Parser, DeepNestingStaysProportionalToTheText) {
    std::string text(200000, '[');
    text += std::string(1000, ',');
    IsectRecordset rs;
    rs.OpenFromText(FXString(text.data(), (FXint)text.size()));
    EXPECT_EQ(0, rs.fieldCount);
    EXPECT_EQ(1, rs.rows.RowCount());
    EXPECT_EQ(1000, rs.rows.FieldCount());
}

}  // namespace
