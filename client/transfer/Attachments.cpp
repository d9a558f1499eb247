#include "transfer/Attachments.h"

#include <cstring>

#include "data/Base64.h"
#include "transfer/Statements.h"

using namespace FX;

namespace attachments {

FXString readBytes(IsectRecordset& rs, const FXString& attachmentId) {
    FXString id = attachmentId;
    id.trim();
    transfer::query(
        rs, "Select BinaryData, BinaryIncrement from UnitBinary where BinaryId = " + id + " Order By BinaryIncrement");
    // The joined length is known beforehand: one allocation for the text.
    FXint length = 0;
    for (const FXStringRecordset::Row* row = rs.rows.FirstRow(); row; row = row->next)
        if (row->firstField) length += row->firstField->value.length();
    FXString text;
    if (length == 0) return text;
    text.length(length);
    FXint at = 0;
    for (const FXStringRecordset::Row* row = rs.rows.FirstRow(); row; row = row->next) {
        if (!row->firstField) continue;
        const FXString& chunk = row->firstField->value;
        memcpy(&text[at], chunk.text(), chunk.length());
        at += chunk.length();
    }
    return base64::decode(text);
}

ChunkWriter::ChunkWriter(IsectRecordset::Batch& batch, const FXString& attachmentId, const FXString& unitId)
    : batch_(batch), attachment_(attachmentId), unit_(unitId) {
    attachment_.trim();
    unit_.trim();
}

void ChunkWriter::add(FXint increment, const FXString& data) {
    block_ += "Execute Procedure BulkLoadUnitBinary(" + attachment_ + "," + FXStringVal(increment) + ",'" +
              IsectRecordset::EscapeText(data) + "'," + unit_ + ");\n";
    if (++inBlock_ == chunkCallsPerBlock) flush();
}

void ChunkWriter::flush() {
    if (!inBlock_) return;
    if (!batch_.Add("Execute Block As Begin\n" + block_ + "End")) throw PlanEditAbort();
    block_ = FXString::null;
    inBlock_ = 0;
    if (++blocks_ % blocksUnderWay == 0 && !batch_.Wait()) throw PlanEditAbort();
}

}  // namespace attachments
