#include "router/Log.h"

#include <cstdarg>
#include <cstdio>

namespace isectd {

bool Log::open(const std::string& path, size_t limit, int keep) { return file_.open(path, limit, keep); }

void Log::addSecret(const std::string& secret) {
    if (!secret.empty()) secrets_.push_back(secret);
}

std::string formatText(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(n > 0 ? static_cast<size_t>(n) + 1 : 1, '\0');
    if (n > 0) vsnprintf(&text[0], text.size(), format, args);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

void Log::write(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = formatText(format, args);
    va_end(args);
    file_.writeLines(masked(text));
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
    if (payload.size() <= max) return isdlog::escapeRecord(payload, max);
    return isdlog::escapeRecord(payload.substr(0, max), max) + "... (" + std::to_string(payload.size()) + " bytes)";
}

void RateLimitedLog::write(const std::string& text) {
    auto now = std::chrono::steady_clock::now();
    if (last_.time_since_epoch().count() != 0 && now - last_ < std::chrono::seconds(1)) {
        ++suppressed_;
        return;
    }
    last_ = now;
    if (suppressed_ > 0)
        log_.write("%s (and %ld more like it in the last second)", text.c_str(), suppressed_);
    else
        log_.write("%s", text.c_str());
    suppressed_ = 0;
}

}  // namespace isectd
