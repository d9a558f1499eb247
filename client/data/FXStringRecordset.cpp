#include "data/FXStringRecordset.h"

using namespace FX;

#include <new>

struct FXStringRecordset::Chunk {
    Chunk* next;
};

namespace {
// Chunks start small (most lists are short) and double up to 64 KB.
const size_t firstChunkBytes = 1024;
const size_t lastChunkBytes = 64 * 1024;
}  // namespace

FXStringRecordset::~FXStringRecordset() { Clear(); }

void* FXStringRecordset::carve(size_t bytes) {
    bytes = (bytes + 15) & ~size_t(15);
    if (spareBytes < bytes) {
        size_t size = chunkBytes ? chunkBytes * 2 : firstChunkBytes;
        if (size > lastChunkBytes) size = lastChunkBytes;
        chunkBytes = size;
        char* block = static_cast<char*>(::operator new(size));
        Chunk* chunk = new (block) Chunk{chunks};
        chunks = chunk;
        spare = block + 16;
        spareBytes = size - 16;
    }
    void* p = spare;
    spare += bytes;
    spareBytes -= bytes;
    return p;
}

FXStringRecordset::Field* FXStringRecordset::newField() {
    if (freeFields) {
        Field* f = freeFields;
        freeFields = f->next;
        return new (f) Field;
    }
    return new (carve(sizeof(Field))) Field;
}

FXStringRecordset::Row* FXStringRecordset::newRow() {
    if (freeRows) {
        Row* r = freeRows;
        freeRows = r->next;
        return new (r) Row;
    }
    return new (carve(sizeof(Row))) Row;
}

// The row's fields and the row itself go to the free lists.
void FXStringRecordset::releaseRow(Row* row) {
    Field* field = row->firstField;
    while (field) {
        Field* next = field->next;
        field->~Field();
        field->next = freeFields;
        freeFields = field;
        field = next;
    }
    row->~Row();
    row->next = freeRows;
    freeRows = row;
}

FXStringRecordset::Row* FXStringRecordset::appendRow() {
    Row* row = newRow();
    row->prev = lastRow;
    if (lastRow)
        lastRow->next = row;
    else
        firstRow = row;
    lastRow = row;
    return row;
}

void FXStringRecordset::AddField(const FXchar* text, FXint length, FXbool newRow) {
    Field* field = newField();
    field->value.assign(text, length);
    if (newRow || !lastRow) currentRow = appendRow();
    Row* row = lastRow;
    field->prev = row->lastField;
    if (row->lastField)
        row->lastField->next = field;
    else
        row->firstField = field;
    row->lastField = field;
}

void FXStringRecordset::AddField(const FXString& value, FXbool newRow) {
    AddField(value.text(), value.length(), newRow);
}

FXStringRecordset::Row* FXStringRecordset::readRow() const { return currentRow ? currentRow : firstRow; }

FXStringRecordset::Field* FXStringRecordset::fieldOf(Row* row, FXint n) const {
    if (n < 0) return nullptr;
    Field* field = row->firstField;
    while (field && n > 0) {
        field = field->next;
        --n;
    }
    return field;
}

FXString FXStringRecordset::GetField(FXint n) const {
    Row* row = readRow();
    if (!row) throw FXException("FXStringRecordset::GetField - Recordset is empty.");
    Field* field = fieldOf(row, n);
    if (!field) throw FXException("FXStringRecordset::GetField - Invalid field number provided.");
    return field->value;
}

FXint FXStringRecordset::GetDirty(FXint n) const {
    Row* row = readRow();
    if (!row) throw FXException("FXStringRecordset::GetDirty - Recordset is empty.");
    Field* field = fieldOf(row, n);
    if (!field) throw FXException("FXStringRecordset::GetDirty - Invalid field number provided.");
    return field->dirty;
}

// Without a current row (only possible on an empty set) the first row is
// used, as GetField does.
void FXStringRecordset::SetDirty(FXint n, FXint flag) {
    Row* row = readRow();
    if (!row) throw FXException("FXStringRecordset::SetDirty - Recordset is empty.");
    Field* field = fieldOf(row, n);
    if (!field) throw FXException("FXStringRecordset::SetDirty - Invalid field number provided.");
    field->dirty = flag;
}

void FXStringRecordset::SetField(FXint n, const FXString& value) {
    Row* row = readRow();
    if (!row) throw FXException("FXStringRecordset::SetField - Recordset is empty.");
    Field* field = fieldOf(row, n);
    if (!field) throw FXException("FXStringRecordset::SetField - Invalid field number provided.");
    field->value.trim();
    if (field->value != value) {
        field->value = value;
        field->dirty = 1;
    }
}

void FXStringRecordset::MoveFirst() {
    bof = eof = 0;
    currentRow = firstRow;
    if (!firstRow) bof = eof = 1;
}

void FXStringRecordset::MoveLast() {
    bof = eof = 0;
    currentRow = lastRow;
    if (!lastRow) bof = eof = 1;
}

void FXStringRecordset::MoveNext() {
    if (currentRow && currentRow->next) {
        currentRow = currentRow->next;
        eof = 0;
    } else {
        eof = 1;
    }
}

void FXStringRecordset::MovePrevious() {
    if (currentRow && currentRow->prev) {
        currentRow = currentRow->prev;
        bof = 0;
    } else {
        bof = 1;
    }
}

void FXStringRecordset::Clear() {
    for (Row* row = firstRow; row; row = row->next)
        for (Field* field = row->firstField; field; field = field->next) field->value.~FXString();
    while (chunks) {
        Chunk* next = chunks->next;
        ::operator delete(static_cast<void*>(chunks));
        chunks = next;
    }
    freeFields = nullptr;
    freeRows = nullptr;
    spare = nullptr;
    spareBytes = 0;
    chunkBytes = 0;
    firstRow = lastRow = currentRow = nullptr;
    bof = eof = 0;
}

void FXStringRecordset::DeleteRow() {
    Row* row = currentRow;
    if (row) {
        if (row->prev)
            row->prev->next = row->next;
        else
            firstRow = row->next;
        if (row->next)
            row->next->prev = row->prev;
        else
            lastRow = row->prev;
        releaseRow(row);
        currentRow = nullptr;
    }
    MoveLast();
}

FXint FXStringRecordset::RowCount() const {
    FXint n = 0;
    for (Row* row = firstRow; row; row = row->next) ++n;
    return n;
}

FXint FXStringRecordset::FieldCount() const {
    Row* row = readRow();
    FXint n = 0;
    if (row)
        for (Field* field = row->firstField; field; field = field->next) ++n;
    return n;
}

void FXStringRecordset::SetCurrentRow(const Row* row) {
    currentRow = const_cast<Row*>(row);
    bof = eof = 0;
}

void FXStringStack::Push(const FXString& value) { top = new Node{value, top}; }

FXString FXStringStack::Pop() {
    if (!top) throw FXException("FXStringStack is empty.");
    Node* node = top;
    top = node->next;
    FXString value = node->value;
    delete node;
    return value;
}

FXString FXStringStack::Top() const {
    if (!top) throw FXException("FXStringStack is empty.");
    return top->value;
}

void FXStringStack::Clear() {
    while (top) {
        Node* next = top->next;
        delete top;
        top = next;
    }
}
