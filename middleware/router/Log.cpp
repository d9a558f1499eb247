#include "Log.h"

#include <sys/time.h>

#include <cstdarg>
#include <cstring>
#include <ctime>

namespace isectd {

Log::~Log() {
    if (file_) fclose(file_);
}

bool Log::open(const std::string& path) {
    FILE* f = fopen(path.c_str(), "a");
    if (!f) return false;
    if (file_) fclose(file_);
    file_ = f;
    return true;
}

void Log::addSecret(const std::string& secret) {
    if (!secret.empty()) secrets_.push_back(secret);
}

void Log::write(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char buffer[2048];
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    std::string text = masked(buffer);
    char stamp[64];
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    struct tm tmv;
    localtime_r(&tv.tv_sec, &tmv);
    size_t len = strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tmv);
    snprintf(stamp + len, sizeof stamp - len, ".%03ld ", static_cast<long>(tv.tv_usec / 1000));
    FILE* out = file_ ? file_ : stderr;
    size_t start = 0;
    do {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        fprintf(out, "%s%s\n", stamp, line.c_str());
        start = end == std::string::npos ? text.size() : end + 1;
    } while (start < text.size());
    fflush(out);
}

// No password ever reaches the log, whatever line it hides in.
std::string Log::masked(std::string text) const {
    for (const auto& secret : secrets_) {
        size_t at = 0;
        while ((at = text.find(secret, at)) != std::string::npos) {
            text.replace(at, secret.size(), "********");
            at += 8;
        }
    }
    return text;
}

std::string excerpt(const std::string& payload, size_t max) {
    std::string out;
    for (size_t i = 0; i < payload.size() && out.size() < max; ++i) {
        unsigned char ch = static_cast<unsigned char>(payload[i]);
        out += (ch >= 32 && ch < 127) ? static_cast<char>(ch) : ' ';
    }
    if (payload.size() > max) out += "...";
    return out;
}

}  // namespace isectd
