// FXStringRecordset: the client's in-memory table of text fields.
//
// An ordered list of rows, each an ordered list of text fields, with a cursor
// (the current row), bof/eof flags and a change flag per field (0 unchanged,
// 1 changed by SetField, 2 a field of a new row to be inserted, 3 a deleted
// row when set on field 0).  Query results are held in two of them (column
// definitions and data rows, see IsectRecordset); windows use it for lists
// they build themselves.
//
// The usual walk:  rs.MoveFirst(); while (!rs.eof) { rs.GetField(0); rs.MoveNext(); }
//
// FXStringStack: a stack of texts.
//
// Failures are thrown as FXException with a fixed message; a failed call
// leaves the recordset unchanged.
#ifndef PLENWICK_FXSTRINGRECORDSET_H
#define PLENWICK_FXSTRINGRECORDSET_H

#include <fx.h>

class FXStringRecordset {
public:
    struct Field {
        FX::FXint dirty = 0;
        FX::FXString value;
        Field* next = nullptr;
        Field* prev = nullptr;
    };
    struct Row {
        Field* firstField = nullptr;
        Field* lastField = nullptr;
        Row* next = nullptr;
        Row* prev = nullptr;
    };

private:
    Row* firstRow = nullptr;
    Row* lastRow = nullptr;
    Row* currentRow = nullptr;
    // Rows and fields come from chunks owned by the set (a parse makes
    // hundreds of thousands of them); freed nodes wait on free lists.
    struct Chunk;
    Chunk* chunks = nullptr;
    Field* freeFields = nullptr;
    Row* freeRows = nullptr;
    char* spare = nullptr;
    size_t spareBytes = 0;
    size_t chunkBytes = 0;

public:
    FX::FXuchar bof = 0;  // a move went before the first row, or the set is empty
    FX::FXuchar eof = 0;  // a move went past the last row, or the set is empty

    FXStringRecordset() {}
    ~FXStringRecordset();
    FXStringRecordset(const FXStringRecordset&) = delete;
    FXStringRecordset& operator=(const FXStringRecordset&) = delete;

    // Appends a field holding a copy of value to the last row; with newRow an
    // empty row is appended first and becomes the current row.  (On an empty
    // set a row is always made.)
    void AddField(const FX::FXString& value, FX::FXbool newRow);
    void AddField(const FX::FXchar* text, FX::FXint length, FX::FXbool newRow);

    // Field n (from 0) of the current row, or of the first row without one.
    FX::FXString GetField(FX::FXint n) const;
    FX::FXint GetDirty(FX::FXint n) const;
    // Sets the change flag of field n of the current row directly (2 marks a
    // field of a new row for WriteRecordset).
    void SetDirty(FX::FXint n, FX::FXint flag);
    // Trims the stored value; if the trimmed value differs from value, stores
    // value as given and flags the field as changed.
    void SetField(FX::FXint n, const FX::FXString& value);

    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();
    void Clear();
    // Frees the current row, then MoveLast.
    void DeleteRow();

    // Helpers beyond the classic interface.
    FX::FXbool IsEmpty() const { return firstRow == nullptr; }
    FX::FXint RowCount() const;
    FX::FXint FieldCount() const;  // fields of the current (else first) row
    // Read-only access to the rows for walks that must not move the cursor.
    const Row* FirstRow() const { return firstRow; }
    const Row* CurrentRow() const { return currentRow; }
    // Makes `row` (a row of this set) current and clears both flags.
    void SetCurrentRow(const Row* row);

private:
    Row* readRow() const;
    Field* fieldOf(Row* row, FX::FXint n) const;
    Row* appendRow();
    void* carve(size_t bytes);
    Field* newField();
    Row* newRow();
    void releaseRow(Row* row);
};

class FXStringStack {
public:
    struct Node {
        FX::FXString value;
        Node* next;
    };

    FXStringStack() {}
    ~FXStringStack() { Clear(); }
    FXStringStack(const FXStringStack&) = delete;
    FXStringStack& operator=(const FXStringStack&) = delete;

    void Push(const FX::FXString& value);
    FX::FXString Pop();        // throws "FXStringStack is empty."
    FX::FXString Top() const;  // throws "FXStringStack is empty."
    void Clear();
    FX::FXbool IsEmpty() const { return top == nullptr; }

private:
    Node* top = nullptr;
};

#endif
