#include "transfer/Statements.h"

using namespace FX;

namespace transfer {

void query(IsectRecordset& rs, const FXString& sql) {
    if (!rs.OpenRecordset(sql)) throw PlanEditAbort();
}

FXString rawField(IsectRecordset& rs, const FXString& name) {
    FieldDef def = rs.FieldOrdinal(name);
    return rs.rows.GetField(def.ordinal);
}

}  // namespace transfer
