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

}  // namespace attachments

#endif
