// The storage of attachments (a file as the base64 text of its bytes, cut
// into chunks of chunkSize characters), and reading one back out of the
// database: shared by the plan editor's import and "E&xport" and the
// calendar's database export.
#ifndef PLENWICK_ATTACHMENTS_H
#define PLENWICK_ATTACHMENTS_H

#include <fx.h>

#include "data/IsectRecordset.h"
#include "transfer/Statements.h"

namespace attachments {

// Chunks of the base64 text of a file, as they are stored.
constexpr FX::FXint chunkSize = 999;

// The file's bytes: the attachment's chunks joined in BinaryIncrement order
// and decoded (missing chunks give a shorter file).  Runs one statement on
// `rs`; throws its failures, and PlanEditAbort when the connection failed.
FX::FXString readBytes(IsectRecordset& rs, const FX::FXString& attachmentId);

// Writes an attachment's further chunks (increment 1 on) inside the open
// transaction, as the upload and the transfer import both store them: the
// same procedure and the same rows, chunkCallsPerBlock calls to one EXECUTE
// BLOCK, the blocks sent on `batch` without waiting for each reply.  No
// chunk needs another's answer; a failure of any is thrown at the latest by
// the batch's Wait, before the commit.
//
//   IsectRecordset::Batch batch(rs);
//   attachments::ChunkWriter chunks(batch, attachmentId, unitId);
//   for (...) chunks.add(increment, base64Text);
//   chunks.flush();
//   batch.Wait();
class ChunkWriter {
public:
    // Some 34 kB of statement, well inside the 64 kB a statement may have.
    static constexpr FX::FXint chunkCallsPerBlock = 32;
    // A few blocks under way keep the worker busy; more would only make a
    // Cancel wait for them.
    static constexpr FX::FXint blocksUnderWay = 4;

    ChunkWriter(IsectRecordset::Batch& batch, const FX::FXString& attachmentId, const FX::FXString& unitId);
    // Throws the batch's first failure, PlanEditAbort when the connection
    // was lost.
    void add(FX::FXint increment, const FX::FXString& data);
    // Sends the block gathered so far.
    void flush();

private:
    IsectRecordset::Batch& batch_;
    FX::FXString attachment_, unit_, block_;
    FX::FXint inBlock_ = 0, blocks_ = 0;
};

}  // namespace attachments

#endif
