// The router's log: time-stamped lines in one file (mode 600, rotated by
// size), with every configured password and key replaced by ******** wherever
// it appears.
#ifndef ISECTD_LOG_H
#define ISECTD_LOG_H

#include "LogFile.h"

#include <chrono>
#include <cstdarg>
#include <string>
#include <vector>

namespace isectd {

class Log {
public:
    // Appends to `path`; until it is opened the lines go to standard error.
    bool open(const std::string& path, size_t limit = isdlog::LogFile::kDefaultLimit,
              int keep = isdlog::LogFile::kDefaultKeep);
    void addSecret(const std::string& secret);
    // One record; a line feed in the format itself starts another stamped
    // line (the router's own multi-line records).  Text that came from a
    // peer goes in through excerpt(), which escapes its control bytes.
    void write(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The record as it would be written, without the time stamp.
    std::string masked(std::string text) const;

private:
    isdlog::LogFile file_;
    std::vector<std::string> secrets_;
};

// The text printf would write for `format` and `args`.
std::string formatText(const char* format, va_list args);

// A printable excerpt of a payload for the log: control bytes escaped, cut
// after `max` bytes with a note of the full length.
std::string excerpt(const std::string& payload, size_t max = 120);

// Writes at most one line a second about a repeated event; the next line
// says how many were not written.
class RateLimitedLog {
public:
    explicit RateLimitedLog(Log& log) : log_(log) {}
    void write(const std::string& text);

private:
    Log& log_;
    std::chrono::steady_clock::time_point last_{};
    long suppressed_ = 0;
};

}  // namespace isectd

#endif
