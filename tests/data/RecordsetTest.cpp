// FXStringRecordset and FXStringStack: cursor, flags, change flags, failures.
#include <gtest/gtest.h>

#include "data/FXStringRecordset.h"

using namespace FX;

namespace {

std::string message(const FXException& e) { return e.what(); }

void fill(FXStringRecordset& rs, int rows, int fields) {
    for (int r = 0; r < rows; ++r)
        for (int f = 0; f < fields; ++f) rs.AddField(FXStringVal(r * 10 + f), f == 0);
}

TEST(StringRecordset, NewSetIsEmptyWithBothFlagsClear) {
    FXStringRecordset rs;
    EXPECT_FALSE(rs.bof);
    EXPECT_FALSE(rs.eof);
    EXPECT_TRUE(rs.IsEmpty());
}

TEST(StringRecordset, LastAddedRowIsCurrentWithoutAMove) {
    FXStringRecordset rs;
    fill(rs, 3, 2);
    rs.Clear();
    fill(rs, 2, 2);
    EXPECT_EQ(FXString("10"), rs.GetField(0));
    EXPECT_EQ(FXString("11"), rs.GetField(1));
}

TEST(StringRecordset, WalkVisitsEveryRowAndStopsOnTheLast) {
    FXStringRecordset rs;
    fill(rs, 3, 1);
    std::string seen;
    for (rs.MoveFirst(); !rs.eof; rs.MoveNext()) seen += rs.GetField(0).text() + std::string(" ");
    EXPECT_EQ("0 10 20 ", seen);
    // MoveNext on the last row keeps the cursor there.
    EXPECT_EQ(FXString("20"), rs.GetField(0));
    EXPECT_FALSE(rs.bof);
    rs.MovePrevious();
    EXPECT_EQ(FXString("10"), rs.GetField(0));
    EXPECT_TRUE(rs.eof);  // MovePrevious does not touch eof
    rs.MovePrevious();
    rs.MovePrevious();
    EXPECT_TRUE(rs.bof);
    EXPECT_EQ(FXString("0"), rs.GetField(0));
}

TEST(StringRecordset, MoveFirstOnEmptySetSetsBothFlags) {
    FXStringRecordset rs;
    rs.MoveFirst();
    EXPECT_TRUE(rs.bof);
    EXPECT_TRUE(rs.eof);
    int reads = 0;
    while (!rs.eof) {
        ++reads;
        rs.MoveNext();
    }
    EXPECT_EQ(0, reads);
    rs.MoveLast();
    EXPECT_TRUE(rs.bof && rs.eof);
}

TEST(StringRecordset, FailuresCarryTheirMessages) {
    FXStringRecordset rs;
    try {
        rs.GetField(0);
        FAIL();
    } catch (const FXException& e) {
        EXPECT_EQ("FXStringRecordset::GetField - Recordset is empty.", message(e));
    }
    try {
        rs.GetDirty(0);
        FAIL();
    } catch (const FXException& e) {
        EXPECT_EQ("FXStringRecordset::GetDirty - Recordset is empty.", message(e));
    }
    fill(rs, 1, 2);
    try {
        rs.GetField(2);
        FAIL();
    } catch (const FXException& e) {
        EXPECT_EQ("FXStringRecordset::GetField - Invalid field number provided.", message(e));
    }
    try {
        rs.GetDirty(-1);
        FAIL();
    } catch (const FXException& e) {
        EXPECT_EQ("FXStringRecordset::GetDirty - Invalid field number provided.", message(e));
    }
    try {
        rs.SetField(5, "x");
        FAIL();
    } catch (const FXException& e) {
        EXPECT_EQ("FXStringRecordset::SetField - Invalid field number provided.", message(e));
    }
    EXPECT_EQ(FXString("1"), rs.GetField(1));
    EXPECT_EQ(0, rs.GetDirty(1));
}

TEST(StringRecordset, SetFieldTrimsAndFlagsOnlyRealChanges) {
    FXStringRecordset rs;
    rs.AddField("  Fractions \t", true);
    rs.AddField("          5", false);
    rs.SetField(0, "Fractions");
    EXPECT_EQ(0, rs.GetDirty(0));
    EXPECT_EQ(FXString("Fractions"), rs.GetField(0));  // trimmed all the same
    rs.SetField(1, " 6 ");
    EXPECT_EQ(1, rs.GetDirty(1));
    EXPECT_EQ(FXString(" 6 "), rs.GetField(1));  // stored as given
    rs.SetField(0, "fractions");                 // case-sensitive
    EXPECT_EQ(1, rs.GetDirty(0));
}

TEST(StringRecordset, DeleteRowRelinksAndMovesLast) {
    FXStringRecordset rs;
    fill(rs, 3, 1);
    rs.MoveFirst();
    rs.MoveNext();
    rs.DeleteRow();
    EXPECT_EQ(FXString("20"), rs.GetField(0));
    EXPECT_EQ(2, rs.RowCount());
    rs.MoveFirst();
    rs.DeleteRow();
    rs.MoveFirst();
    EXPECT_EQ(FXString("20"), rs.GetField(0));
    rs.DeleteRow();  // the only row
    EXPECT_TRUE(rs.IsEmpty());
    EXPECT_TRUE(rs.bof && rs.eof);
    rs.DeleteRow();  // nothing to delete: only MoveLast
    EXPECT_TRUE(rs.bof && rs.eof);
    rs.AddField("again", true);
    EXPECT_EQ(FXString("again"), rs.GetField(0));
}

TEST(StringRecordset, AddFieldWithoutNewRowOnEmptySetMakesARow) {
    FXStringRecordset rs;
    rs.AddField("a", false);
    rs.AddField("b", false);
    EXPECT_EQ(1, rs.RowCount());
    EXPECT_EQ(FXString("b"), rs.GetField(1));
}

TEST(StringStack, PushPopTopAndEmpty) {
    FXStringStack stack;
    stack.Push("Junk");
    stack.Push("[");
    EXPECT_EQ(FXString("["), stack.Top());
    EXPECT_EQ(FXString("["), stack.Pop());
    EXPECT_EQ(FXString("Junk"), stack.Pop());
    try {
        stack.Pop();
        FAIL();
    } catch (const FXException& e) {
        EXPECT_EQ("FXStringStack is empty.", message(e));
    }
    EXPECT_THROW(stack.Top(), FXException);
    stack.Push("x");
    stack.Clear();
    EXPECT_TRUE(stack.IsEmpty());
}

}  // namespace
