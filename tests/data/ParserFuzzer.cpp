// libFuzzer target: arbitrary text through OpenFromText.  Any outcome is fine
// except a crash, a hang, a leak or unbounded memory; malformed text must end
// in FXException.
#include <cstddef>
#include <cstdint>

#include "data/IsectRecordset.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IsectRecordset rs;
    try {
        rs.OpenFromText(FX::FXString(reinterpret_cast<const char*>(data), static_cast<FX::FXint>(size)));
        for (rs.MoveFirst(); !rs.eof(); rs.MoveNext()) {
            for (FX::FXint i = 0; i < rs.fieldCount; ++i) {
                try {
                    rs.GetField(i);
                } catch (const FX::FXException&) {
                }
            }
        }
        rs.GetText();
    } catch (const FX::FXException&) {
    }
    return 0;
}
