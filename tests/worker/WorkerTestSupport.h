// In-process worker on an embedded database, with a transport that records
// the reply blocks and log lines.
#ifndef VANTRY_TEST_WORKERTESTSUPPORT_H
#define VANTRY_TEST_WORKERTESTSUPPORT_H

#include "Worker.h"

#include <string>
#include <vector>

namespace vantrytest {

struct Block {
    std::string data;
    int more;
};

class RecordingTransport : public vantry::Transport {
public:
    int send(const char* data, int length, int more) override {
        blocks.push_back({std::string(data, static_cast<std::size_t>(length)), more});
        return failSends ? -1 : length;
    }
    void log(const char* text) override { logs.emplace_back(text); }
    // The number of log lines at each end of a request.
    void requestDone() override { logsAtDone.push_back(logs.size()); }
    void error(const char* text) override { errors.emplace_back(text); }

    void clear() {
        blocks.clear();
        logs.clear();
        logsAtDone.clear();
        errors.clear();
    }
    std::string text() const {
        std::string all;
        for (const auto& b : blocks) all += b.data;
        return all;
    }
    bool logged(const std::string& line) const {
        for (const auto& l : logs)
            if (l == line) return true;
        return false;
    }

    std::vector<Block> blocks;
    std::vector<std::string> logs, errors;
    std::vector<std::size_t> logsAtDone;
    bool failSends = false;
};

// Creates a new database file in a new temporary directory.  Returns its path.
std::string createDatabase();
// Removes the directory of a database made by createDatabase.
void removeDatabase(const std::string& path);

// A worker attached to `database`, serving requests in this process.
struct LocalWorker {
    explicit LocalWorker(const std::string& database, const std::string& name = "worker-1");
    RecordingTransport transport;
    vantry::Worker worker;
    bool attached = false;

    // Serves one request; returns the reply text (all blocks).
    std::string ask(const std::string& request, int more = 1);
    int lastMore() const { return transport.blocks.empty() ? -999 : transport.blocks.back().more; }
};

}  // namespace vantrytest

#endif
