// The connection file: where the router is and which service to log in to.
#include "isdio.h"

#include <fstream>
#include <iterator>

namespace {

std::string trim(const std::string& s) {
    const char* space = " \t\r\n\v\f";
    size_t first = s.find_first_not_of(space);
    if (first == std::string::npos) return std::string();
    size_t last = s.find_last_not_of(space);
    return s.substr(first, last - first + 1);
}

// The key's first occurrence, the first "=" after it, the first line feed
// after that.  A missing key leaves the search for "=" at the start of the
// text; a missing line feed lets the value run to the end of the text.
std::string valueOf(const std::string& text, const std::string& key) {
    size_t at = text.find(key);
    if (at == std::string::npos) at = 0;
    size_t equals = text.find('=', at);
    if (equals == std::string::npos) return std::string();
    size_t end = text.find('\n', equals + 1);
    if (end == std::string::npos) end = text.size();
    return trim(text.substr(equals + 1, end - equals - 1));
}

}  // namespace

void isdParseConnectionText(const std::string& text, std::string& host, std::string& service) {
    host = valueOf(text, "Host");
    service = valueOf(text, "DatabaseService");
}

std::string isdParseServiceKey(const std::string& text) {
    if (text.find("ServiceKey") == std::string::npos) return std::string();
    return valueOf(text, "ServiceKey");
}

std::string isdParseTlsFingerprint(const std::string& text) {
    if (text.find("TlsFingerprint") == std::string::npos) return std::string();
    return valueOf(text, "TlsFingerprint");
}

namespace {
std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::string();
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
}  // namespace

std::string isdReadServiceKey(const std::string& path) { return isdParseServiceKey(fileText(path)); }

std::string isdReadTlsFingerprint(const std::string& path) { return isdParseTlsFingerprint(fileText(path)); }

bool isdReadConnectionFile(const std::string& path, std::string& host, std::string& service) {
    host.clear();
    service.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    isdParseConnectionText(text, host, service);
    return true;
}
