// Vantry: the database worker of the isectd router.
//
//   Vantry ROUTER SERVICE WORKERNAME LOGDIR database user password [charset [role]]
//
// The first four arguments belong to the router and are read by isdConnect.
// The worker attaches to the database, then serves one request at a time
// until the router ends it: SQL text is executed and answered with the
// result text; "commit" and "rollback" end the open transaction.
#include "Worker.h"
#include "isdio.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char kUsage[] =
    "You must have three arguments: database  username  password\n"
    "Two additional arguments that you can have are: charset  role\n";

class IsdTransport : public vantry::Transport {
public:
    explicit IsdTransport(IsdHeader& header) : header_(header) {}

    void setHandle(int handle) { handle_ = handle; }

    int send(const char* data, int length, int more) override {
        isdSetLength(&header_, length);
        isdSetMore(&header_, static_cast<int16_t>(more));
        // The blocks of a long reply go out many to one write.
        if (more > 0) return isdSendQueued(handle_, data, length, &header_);
        return isdSend(handle_, data, length, &header_);
    }
    void requestDone() override { isdLogFlush(); }
    void log(const char* text) override { isdLog("%s", text); }
    void error(const char* text) override { isdError("%s", text); }

private:
    IsdHeader& header_;
    int handle_ = -1;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 8) {
        std::fputs(kUsage, stdout);
        return 1;
    }

    // A router that went away must not kill the worker in the middle of a
    // reply: the failed send is logged and the open transaction survives
    // until the worker ends in order.
    std::signal(SIGPIPE, SIG_IGN);
    // The password may come with the router's secrets: before the attach.
    isdTakeSecrets();

    vantry::ConnectParams params;
    params.database = argv[5];
    params.user = argv[6];
    params.password = argv[7];
    if (argc > 8) params.charset = argv[8];
    if (argc > 9) params.role = argv[9];

    IsdHeader header;
    std::memset(&header, 0, sizeof header);
    IsdTransport transport(header);
    vantry::Worker worker(transport, argv[3]);
    // The services start their workers limited unless the school keeps the
    // single administrator account.
    const char* limited = std::getenv("VANTRY_LIMITED");
    worker.setLimited(limited && std::strcmp(limited, "1") == 0);

    if (!worker.attach(params)) return 1;
    if (!worker.allocate()) return 1;

    int handle = isdConnect(argc, argv);
    if (handle == -1) {
        isdError("isdConnect(): %s\n", std::strerror(errno));
        // Without the router there is nothing to serve; the database is
        // released as at an orderly end, but the start has failed.
        worker.finish();
        return 1;
    }
    transport.setHandle(handle);

    while (char* request = isdRecv(handle, &header)) {
        int length = isdGetLength(&header);
        int more = isdGetMore(&header);
        if (worker.serve(request, length, more) == vantry::Worker::Outcome::Fatal) {
            isdLogFlush();
            std::fflush(stdout);
            std::_Exit(1);
        }
    }

    // Only the router's own request to end counts as an orderly end; a lost
    // connection (the router was killed) must not commit what a client left
    // half done.
    bool orderly = isdShutdownRequested(handle) == 1;
    isdLogout(handle);
    if (!orderly && worker.inTransaction())
        isdError("%s: the connection to the router broke; rolling back the open transaction\n", argv[3]);
    return worker.finish(orderly);
}
