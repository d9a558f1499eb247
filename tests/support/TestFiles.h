// Files and directories for tests and benchmarks: read or write a whole
// file, and a temporary directory that removes itself.
//
//   testsupport::TempDir dir("plenwick-print");   // /tmp/plenwick-print-XXXXXX
//   testsupport::writeFile(dir.file("a.txt"), "text");
//   EXPECT_EQ(testsupport::readFile(dir.file("a.txt")), "text");
#ifndef PLENWICK_TEST_FILES_H
#define PLENWICK_TEST_FILES_H

#include <cstddef>
#include <string>

namespace testsupport {

// The whole file, bytes as they are; empty when it cannot be read.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text);
// Removes a file or a directory tree; nothing when it is not there.
void removeTree(const std::string& path);
// `size` bytes of every value, the same for the same seed (test files).
std::string randomBytes(size_t size, unsigned seed);
// How often `what` stands in `text`.
int countOf(const std::string& text, const std::string& what);
// Waits until the file holds `text` at least `count` times; false after
// `seconds` (a broken program fails the test instead of hanging it).
bool waitForText(const std::string& path, const std::string& text, int count = 1, int seconds = 60);

// A new directory under /tmp, removed with everything in it when the object
// goes.  Throws std::runtime_error when none can be made.
class TempDir {
public:
    explicit TempDir(const std::string& prefix = "plenwick");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Hands the directory over: it is no longer removed.
    std::string release();

private:
    std::string path_;
};

}  // namespace testsupport

#endif
