// A client of the router for tests and benchmarks, speaking ISDIO as the
// planning program does: a query goes out with reply-wanted 1, its reply is
// collected block by block until `more` is not positive, and "commit" and
// "rollback" go out with a zeroed header and get no receive.
#ifndef PLENWICK_ISD_CLIENT_H
#define PLENWICK_ISD_CLIENT_H

#include <string>
#include <vector>

namespace testsupport {

struct Block {
    std::string data;
    int more;
};

class IsdClient {
public:
    // Logs in with the ServiceKey of ./Plenwick.ini, or with the key given.
    IsdClient(const std::string& host, const std::string& service);
    IsdClient(const std::string& host, const std::string& service, const std::string& key);
    ~IsdClient();
    IsdClient(const IsdClient&) = delete;
    IsdClient& operator=(const IsdClient&) = delete;

    bool ok() const { return handle_ >= 0; }
    int handle() const { return handle_; }
    void logout();

    // Sends a query with the given `more` flag.
    bool send(const std::string& sql, int more = 1);
    // Collects the reply blocks; false when a receive failed (more stayed -999).
    bool receive(std::vector<Block>& blocks);
    // The same, joined; optionally with each block's size and more flag.
    bool receive(std::string& reply, std::vector<int>* blockSizes = nullptr, std::vector<int>* mores = nullptr);
    // send + receive; a failed request gives "FAILED".
    std::string query(const std::string& sql);
    // Sends a request that wants no reply ("commit", "rollback", ...).
    bool word(const std::string& text);
    bool commit() { return word("commit"); }
    bool rollback() { return word("rollback"); }

private:
    int handle_ = -1;
};

// The same client for tests and benchmarks that need every request to get
// through: a failed login, send or receive throws std::runtime_error.
class CheckedClient : public IsdClient {
public:
    CheckedClient(const std::string& host, const std::string& service);
    CheckedClient(const std::string& host, const std::string& service, const std::string& key);

    // send + receive: the reply's blocks, or its text joined.
    std::vector<Block> query(const std::string& sql, int more = 1);
    std::string text(const std::string& sql, int more = 1);
    // A read and its "commit" in one write (isdSendAndCommit), as the
    // planning program sends a read outside a transaction.
    std::vector<Block> queryAndCommit(const std::string& sql);
    // A statement that must succeed: an error reply throws too.
    void must(const std::string& sql);
    // "commit", "rollback", ...
    void word(const std::string& text);
};

// All blocks' data joined.
std::string joined(const std::vector<Block>& blocks);

}  // namespace testsupport

#endif
