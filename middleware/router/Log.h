// The router's log: time-stamped lines in one file, with every configured
// password replaced by ******** wherever it appears.
#ifndef ISECTD_LOG_H
#define ISECTD_LOG_H

#include <cstdio>
#include <string>
#include <vector>

namespace isectd {

class Log {
public:
    Log() = default;
    ~Log();
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    // Appends to `path`; until it is opened the lines go to standard error.
    bool open(const std::string& path);
    void addSecret(const std::string& secret);
    // One record; each of its lines gets the time stamp.
    void write(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The record as it would be written, without the time stamp.
    std::string masked(std::string text) const;

private:
    FILE* file_ = nullptr;
    std::vector<std::string> secrets_;
};

// A short printable excerpt of a payload for the log.
std::string excerpt(const std::string& payload, size_t max = 60);

}  // namespace isectd

#endif
