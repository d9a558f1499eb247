// libFuzzer target: the reading of transfer files, the result-text parser
// and the base64 decoder together.  Any outcome is fine except a crash, a
// hang, a leak or unbounded memory; a damaged file must end in FXException.
//
// Each input is read three ways:
//   - as a whole transfer file (parse, then decodeParts);
//   - cut at its first two 0xFF bytes into three texts, which are embedded
//     base64-encoded into a sound unit row as its lessons, chunks and
//     descriptions, with the record count they add up to, so that the
//     checks of every embedded row are reached;
//   - as base64 text, through the decoder and the strict check.
#include <cstddef>
#include <cstdint>
#include <string>

#include "data/Base64.h"
#include "data/IsectRecordset.h"
#include "transfer/TransferFile.h"

using namespace FX;

namespace {

const char* const unitHead =
    "[[{'name':'ID','type':'i','null':0,'width':4},{'name':'UNITNAME','type':'s','null':1,'width':140},"
    "{'name':'UNITDESCRIPTION','type':'s','null':1,'width':4400},{'name':'UNITTYPE','type':'i','null':1,'width':4},"
    "{'name':'FKLONGTERM','type':'i','null':1,'width':4},{'name':'FKTEACHER','type':'i','null':1,'width':4},"
    "{'name':'TRANSFER','type':'i','null':1,'width':4},{'name':'ROTATE','type':'i','null':0,'width':4},"
    "{'name':'VERSION','type':'s','null':0,'width':5},{'name':'LESSONPLANS','type':'s','null':0,'width':13},"
    "{'name':'BINARYFILES','type':'s','null':0,'width':13},"
    "{'name':'BINARYDESCRIPTIONS','type':'s','null':0,'width':20},"
    "{'name':'RECORDCOUNT','type':'s','null':0,'width':13}],\n"
    "[[          20,'Fuzzed','A unit',          1,          10,           2,           1,           0,'2.0.3',";

void read(const FXString& text) {
    TransferFile file;
    try {
        file.parse(text);
        file.decodeParts();
    } catch (const FXException&) {
    }
}

FXlong rows(const std::string& text) {
    IsectRecordset rs;
    try {
        rs.OpenFromText(FXString(text.data(), (FXint)text.size()));
        return rs.recordCount;
    } catch (const FXException&) {
        return 0;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    read(FXString(input.data(), (FXint)input.size()));

    std::string parts[3];
    size_t at = 0;
    for (int k = 0; k < 3; ++k) {
        size_t end = k < 2 ? input.find('\xff', at) : std::string::npos;
        if (end == std::string::npos) end = input.size();
        parts[k] = input.substr(at, end - at);
        at = end < input.size() ? end + 1 : end;
    }
    std::string file = unitHead;
    FXlong count = 0;
    for (const std::string& part : parts) {
        file += base64::encode(part.data(), part.size()).text();
        file += ",";
        count += rows(part);
    }
    file += std::to_string(count) + "]]\n";
    read(FXString(file.data(), (FXint)file.size()));

    FXString decoded = base64::decode(input.data(), input.size());
    base64::isBase64(input.data(), input.size());
    (void)decoded;
    return 0;
}
