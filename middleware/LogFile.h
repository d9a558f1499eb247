// A log file of the middleware (the router's and each worker's): records
// stamped with the time, each on one line, bounded in length, the file
// rotated by size.
//
//   LogFile log;
//   log.open("/var/log/isectd/isectd.log", 10 << 20, 5);   // mode 600
//   log.write("request: " + text);
//
// A record's line feeds and other control bytes are written escaped (\n, \r,
// \t, \xNN), so no text a client sends can start a line of its own; a
// trailing line feed only ends the record.  A record longer than the bound
// keeps its beginning and its end with a note of its full length between
// them.  When the file reaches its size limit it becomes NAME.1 (NAME.1
// becomes NAME.2 ...), keeping `keep` old files.
#ifndef PLENWICK_ISD_LOGFILE_H
#define PLENWICK_ISD_LOGFILE_H

#include <cstddef>
#include <cstdio>
#include <string>

namespace isdlog {

class LogFile {
public:
    static constexpr size_t kDefaultLimit = 10 * 1024 * 1024;
    static constexpr int kDefaultKeep = 5;
    static constexpr size_t kRecordLimit = 4096;

    LogFile() = default;
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Appends to `path`, created with mode 600 (an existing file is set to
    // 600).  `limit` 0 never rotates.  Until opened, records go to standard
    // error.
    bool open(const std::string& path, size_t limit = kDefaultLimit, int keep = kDefaultKeep);
    void close();
    bool isOpen() const { return file_ != nullptr; }
    // Text put after the time stamp of every line ("[1234] ").
    void setPrefix(const std::string& prefix) { prefix_ = prefix; }
    // With hold, records stay in the stream's buffer until flush() (or
    // until the buffer is full) instead of being written one by one.
    void holdFlushes(bool hold) { hold_ = hold; }
    void flush();

    // One record, escaped and bounded.
    void write(const std::string& record);
    // Several lines of the program's own (a configuration dump): each line
    // is a record of its own.
    void writeLines(const std::string& text);

    const std::string& path() const { return path_; }

private:
    void rotate();

    FILE* file_ = nullptr;
    std::string path_, prefix_;
    size_t limit_ = kDefaultLimit;
    int keep_ = kDefaultKeep;
    size_t size_ = 0;
    bool hold_ = false;
};

// The escaping and bounding of write(), for tests and for the router's
// excerpts: control bytes escaped; longer than `max` bytes: the first part,
// " ...[N bytes in all]... ", the last part.
std::string escapeRecord(const std::string& text, size_t max = LogFile::kRecordLimit);

// Reads "BYTES KEEP" (the workers' ISD_LOG_LIMIT); false when malformed.
bool parseLimit(const char* text, size_t& limit, int& keep);

// For a file another process keeps open for appending (a worker's .out):
// its contents are copied to NAME.1 (older copies shifted as below) and the
// file is emptied in place.
void copyTruncate(const std::string& path, int keep);

// Shifts NAME to NAME.1, NAME.1 to NAME.2 ..., dropping what is above `keep`.
void rotateFiles(const std::string& path, int keep);

}  // namespace isdlog

#endif
