// Replies written by the real worker (kept in corpus/, also the fuzzer's
// seeds) read back through OpenFromText.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "data/AppState.h"
#include "data/IsectRecordset.h"
#include "support/TestFiles.h"

using namespace FX;

namespace {

FXString reply(const char* name) {
    std::string s = testsupport::readFile(std::string(DATA_CORPUS_DIR) + "/" + name);
    EXPECT_FALSE(s.empty()) << name;
    return FXString(s.data(), (FXint)s.size());
}

std::string field(IsectRecordset& rs, const char* name) {
    FXString v = rs.GetField(name);
    return std::string(v.text(), v.length());
}

TEST(WorkerReplies, EscapedCharactersComeBack) {
    IsectRecordset rs;
    rs.OpenFromText(reply("escapes.txt"));
    ASSERT_EQ(1, rs.recordCount);
    EXPECT_EQ("a,b'c(d)[e]{f}\"g\\hA\n\r:x", field(rs, "odd"));
    EXPECT_EQ("", field(rs, "empty"));
    EXPECT_EQ("None", field(rs, "nothing"));
    EXPECT_EQ(reply("escapes.txt"), rs.GetText());
}

TEST(WorkerReplies, EveryTypeAsWritten) {
    FXint saved = appState.americanDate;
    appState.americanDate = 0;
    IsectRecordset rs;
    rs.OpenFromText(reply("types.txt"));
    EXPECT_EQ(11, rs.fieldCount);
    EXPECT_EQ("      -0.05", field(rs, "N1"));
    EXPECT_EQ("     -12.34", field(rs, "N2"));
    EXPECT_EQ("08:05", field(rs, "T"));
    EXPECT_EQ(8u, field(rs, "TS").size());  // DD/MM/YY, the time dropped
    EXPECT_EQ('/', field(rs, "DT")[2]);
    EXPECT_EQ("ab", field(rs, "C"));
    EXPECT_EQ("None", field(rs, "BLOBCOL"));
    EXPECT_EQ("     7", field(rs, "S"));
    EXPECT_EQ(FXString("d"), rs.FieldOrdinal("TS").type);
    appState.americanDate = saved;
}

TEST(WorkerReplies, ShapesOfResults) {
    IsectRecordset rs;
    rs.OpenFromText(reply("lessons.txt"));
    EXPECT_EQ(22, rs.fieldCount);
    EXPECT_GT(rs.recordCount, 40);
    for (rs.MoveFirst(); !rs.eof(); rs.MoveNext()) ASSERT_EQ(22, rs.rows.FieldCount());
    rs.OpenFromText(reply("update.txt"));
    EXPECT_EQ(0, rs.fieldCount);
    EXPECT_EQ(1, rs.recordCount);
    rs.OpenFromText(reply("no-rows.txt"));
    EXPECT_EQ(2, rs.fieldCount);
    EXPECT_EQ(0, rs.recordCount);
    rs.OpenFromText(reply("one-empty.txt"));
    EXPECT_EQ(0, rs.recordCount);
    rs.OpenFromText(reply("transfer-head.txt"));
    EXPECT_EQ("2.0.3", field(rs, "Version"));
    EXPECT_EQ("LessonPlans1", field(rs, "LessonPlans"));
    rs.OpenFromText(reply("teachers.txt"));
    EXPECT_EQ(4, rs.recordCount);
    rs.MoveFirst();
    EXPECT_EQ("Margaret O'Brien", field(rs, "Teacher"));
    rs.OpenFromText(reply("longterm.txt"));
    EXPECT_EQ("Mathematics", field(rs, "SubjectName"));
}

TEST(WorkerReplies, ErrorReplyRaisesItsText) {
    IsectRecordset rs;
    try {
        rs.OpenFromText(reply("error.txt"));
        FAIL();
    } catch (const FXException& e) {
        EXPECT_EQ(0u, std::string(e.what()).find("Dynamic SQL Error\nSQL error code = -204"));
    }
}

}  // namespace
