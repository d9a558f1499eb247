#include "LogFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

namespace isdlog {

namespace {

// The date and time to the second are formatted once a second: a busy
// router or worker writes thousands of records in one.
std::string stamp() {
    thread_local time_t second = -1;
    thread_local char text[64];
    thread_local size_t len = 0;
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    if (tv.tv_sec != second) {
        struct tm tmv;
        localtime_r(&tv.tv_sec, &tmv);
        len = strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tmv);
        second = tv.tv_sec;
    }
    snprintf(text + len, sizeof text - len, ".%03ld ", static_cast<long>(tv.tv_usec / 1000));
    return text;
}

void escapeInto(std::string& out, const char* p, size_t n) {
    static const char hex[] = "0123456789abcdef";
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(p[i]);
        if (c >= 32 && c != 127) {
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
}

}  // namespace

std::string escapeRecord(const std::string& text, size_t max) {
    std::string out;
    if (text.size() <= max) {
        escapeInto(out, text.data(), text.size());
        return out;
    }
    size_t tail = max / 8, head = max - tail;
    escapeInto(out, text.data(), head);
    out += " ...[" + std::to_string(text.size()) + " bytes in all]... ";
    escapeInto(out, text.data() + text.size() - tail, tail);
    return out;
}

bool parseLimit(const char* text, size_t& limit, int& keep) {
    if (!text) return false;
    char* end = nullptr;
    unsigned long long bytes = strtoull(text, &end, 10);
    if (end == text) return false;
    char* end2 = nullptr;
    long k = strtol(end, &end2, 10);
    if (end2 == end || k < 1 || k > 100) return false;
    limit = static_cast<size_t>(bytes);
    keep = static_cast<int>(k);
    return true;
}

void rotateFiles(const std::string& path, int keep) {
    std::string last = path + "." + std::to_string(keep);
    unlink(last.c_str());
    for (int i = keep - 1; i >= 1; --i)
        rename((path + "." + std::to_string(i)).c_str(), (path + "." + std::to_string(i + 1)).c_str());
    rename(path.c_str(), (path + ".1").c_str());
}

void copyTruncate(const std::string& path, int keep) {
    std::string last = path + "." + std::to_string(keep);
    unlink(last.c_str());
    for (int i = keep - 1; i >= 1; --i)
        rename((path + "." + std::to_string(i)).c_str(), (path + "." + std::to_string(i + 1)).c_str());
    int in = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (in < 0) return;
    int out = ::open((path + ".1").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out >= 0) {
        char buffer[65536];
        ssize_t n;
        while ((n = read(in, buffer, sizeof buffer)) > 0)
            if (::write(out, buffer, static_cast<size_t>(n)) != n) break;
        ::close(out);
    }
    if (ftruncate(in, 0) != 0) { /* the copy is kept; the file grows on */
    }
    ::close(in);
}

LogFile::~LogFile() { close(); }

bool LogFile::open(const std::string& path, size_t limit, int keep) {
    close();
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    fchmod(fd, 0600);
    file_ = fdopen(fd, "a");
    if (!file_) {
        ::close(fd);
        return false;
    }
    struct stat st;
    size_ = fstat(fd, &st) == 0 ? static_cast<size_t>(st.st_size) : 0;
    path_ = path;
    limit_ = limit;
    keep_ = keep < 1 ? 1 : keep;
    return true;
}

void LogFile::flush() {
    if (file_) fflush(file_);
}

void LogFile::close() {
    if (file_) fclose(file_);
    file_ = nullptr;
}

void LogFile::write(const std::string& record) {
    std::string text = record;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    std::string line = stamp() + prefix_ + escapeRecord(text) + "\n";
    FILE* out = file_ ? file_ : stderr;
    fwrite(line.data(), 1, line.size(), out);
    if (!hold_ || !file_) fflush(out);
    if (!file_) return;
    size_ += line.size();
    if (limit_ > 0 && size_ >= limit_) rotate();
}

void LogFile::writeLines(const std::string& text) {
    size_t start = 0;
    do {
        size_t end = text.find('\n', start);
        write(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    } while (start < text.size());
}

// Another process may have rotated the file already (the worker's .err and
// .log are written by one process each, so this is only a safeguard): the
// file is reopened by name either way.
void LogFile::rotate() {
    std::string path = path_;
    size_t limit = limit_;
    int keep = keep_;
    std::string prefix = prefix_;
    close();
    rotateFiles(path, keep);
    open(path, limit, keep);
    prefix_ = prefix;
}

}  // namespace isdlog
