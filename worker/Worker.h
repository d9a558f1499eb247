// The worker's database side: one attachment, one statement handle, at most
// one open transaction, and the request handling of the serve loop.
//
// The middleware is reached only through `Transport`, so the request
// handling runs the same with the router or with a test double.
#ifndef VANTRY_WORKER_H
#define VANTRY_WORKER_H

#include "OutputBuffer.h"

#include <ibase.h>

#include <string>
#include <vector>

namespace vantry {

class Transport {
public:
    virtual ~Transport() = default;
    // Sends one reply block; negative on failure.  A block with `more` 1
    // may wait to go out with the reply's final block (it keeps its place).
    virtual int send(const char* data, int length, int more) = 0;
    // The request is answered: log records may be written out now.
    virtual void requestDone() {}
    // The middleware's log and error log.
    virtual void log(const char* text) = 0;
    virtual void error(const char* text) = 0;
};

// Connection parameters: positions 5 to 9 of the command line.
struct ConnectParams {
    std::string database;
    std::string user;
    std::string password;
    std::string charset;  // empty: not given
    std::string role;     // empty: not given
};

class Worker {
public:
    static constexpr int kInitialColumns = 20;

    enum class Outcome { Served, Fatal };

    // `workerName` is used in the message of a failed send.
    Worker(Transport& transport, std::string workerName);
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Attaches to the database; on failure prints "Could not open database"
    // and the status vector on standard output and returns false.
    bool attach(const ConnectParams& params);
    // Allocates the descriptor area and the statement handle; on failure
    // prints the status vector and returns false.
    bool allocate();

    // Serves one request (its bytes are followed by a NUL) and sends the
    // reply.  Fatal when a commit or rollback failed: the caller must end the
    // process at once with status 1.
    Outcome serve(const char* request, int length, int more);

    // Executes one statement and leaves the last part of the result text in
    // the output buffer (full blocks have been sent).  0 on success, -1 on a
    // database error (the error text is in the output buffer), 1 when no
    // transaction could be started.
    int execute(const char* sql);

    // Frees the descriptor area, ends an open transaction and detaches.  An
    // orderly end commits; when the router vanished (commitOpen false) the
    // transaction may be half of a client's work and is rolled back instead.
    // Returns the process exit status.
    int finish(bool commitOpen = true);

    // A limited worker serves only what the planning client needs: a
    // statement that would change the database's structure, its users or
    // its rights, or that reads its monitoring or security tables, is
    // refused with kNotAllowed before it runs, and so is any the database
    // refuses for want of a privilege.
    void setLimited(bool limited) { limited_ = limited; }
    bool limited() const { return limited_; }

    bool inTransaction() const { return transaction_ != 0; }
    OutputBuffer& output() { return output_; }
    int columnCapacity() const { return area_ ? area_->sqln : 0; }

private:
    Outcome answer(const char* request, int length, int more);
    int statementType();
    bool ensureColumns(int count);
    int formatError(const char* origin, const ISC_STATUS* status);
    void log(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void sendBlock(const char* data, int length, int more);
    void freeArea();

    Transport& transport_;
    std::string workerName_;

    isc_db_handle database_ = 0;
    isc_tr_handle transaction_ = 0;
    isc_stmt_handle statement_ = 0;
    XSQLDA* area_ = nullptr;
    ISC_STATUS status_[20] = {};

    OutputBuffer output_;
    std::vector<char> row_;
    bool limited_ = false;
};

// The reply to a statement a limited worker does not serve.
extern const char kNotAllowed[];

// True when `sql`, outside its quoted texts, names a table of the
// database's monitoring (MON$...) or security (SEC$...) tables.
bool namesGuardedTable(const char* sql);

// True when the status vector holds a refusal for want of a privilege.
bool isPrivilegeRefusal(const ISC_STATUS* status);

// Builds the database parameter block: the version byte, then user name,
// password, character set and role as far as given.  Returns false when a
// value is longer than a parameter-block item can hold (255 bytes).
bool buildDpb(const ConnectParams& params, std::vector<char>& dpb);

}  // namespace vantry

#endif
