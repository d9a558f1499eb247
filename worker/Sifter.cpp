// Sifter: the search worker of the isectd router, a second service beside
// Vantry's database service.
//
//   Sifter ROUTER SERVICE WORKERNAME LOGDIR database user password indexdir
//
// The first four arguments belong to the router and are read by isdConnect.
// The worker attaches to the database, opens (or makes, or remakes) the
// index in `indexdir` and answers search requests (SearchService.h) with
// result text as Vantry writes it.  Run one Sifter per index: the index has
// one writer.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "SearchService.h"
#include "isdio.h"

namespace {

// How long the worker waits for a request before it looks for changes.
const int kQuietMillis = 500;

void logNote(const char* text) { isdLog("%s", text); }

// The reply in blocks of 1023 bytes, `more` set on all but the last.
bool sendReply(int handle, IsdHeader& header, const std::string& reply) {
    const size_t block = 1023;
    size_t at = 0;
    do {
        const size_t n = std::min(block, reply.size() - at);
        const bool last = at + n >= reply.size();
        isdSetLength(&header, (int)n);
        isdSetMore(&header, last ? 0 : 1);
        if (isdSend(handle, reply.data() + at, (int)n, &header) < 0) return false;
        at += n;
    } while (at < reply.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 9) {
        std::fputs("You must have four arguments: database  username  password  indexdirectory\n", stdout);
        return 1;
    }
    std::signal(SIGPIPE, SIG_IGN);
    // The password may come with the router's secrets: before the attach.
    isdTakeSecrets();
    vantry::ConnectParams params;
    params.database = argv[5];
    params.user = argv[6];
    params.password = argv[7];
    search::Service service(argv[8], logNote);
    if (!service.attach(params)) return 1;

    int handle = isdConnect(argc, argv);
    if (handle == -1) {
        isdError("isdConnect(): %s\n", std::strerror(errno));
        service.finish();
        return 1;
    }
    // The index is made or brought up to date before the first search; a
    // search asked while the index is being filled is told so in a sentence
    // instead of waiting for it.
    IsdHeader header;
    std::memset(&header, 0, sizeof header);
    bool ended = false;
    service.start([&] {
        while (!ended && isdPending(handle) == 1) {
            char* request = isdRecv(handle, &header);
            if (!request) {
                ended = true;
                break;
            }
            if (!sendReply(handle, header, service.busyReply())) isdError("%s: a reply could not be sent\n", argv[3]);
        }
    });
    isdLogFlush();
    if (ended) {
        isdLogout(handle);
        return service.finish();
    }

    // Between requests the index takes in what was committed, so that a new
    // attachment's text is searchable soon after its commit and the next
    // search does not wait for it; a search still reads what came since.
    for (;;) {
        const int pending = isdPendingWait(handle, kQuietMillis);
        if (pending < 0) break;
        if (pending == 0) {
            service.catchUpQuietly();
            isdLogFlush();
            continue;
        }
        char* request = isdRecv(handle, &header);
        if (!request) break;
        const std::string text(request, (size_t)std::max(0, isdGetLength(&header)));
        if (!sendReply(handle, header, service.answer(text))) isdError("%s: a reply could not be sent\n", argv[3]);
        isdLogFlush();
    }
    isdLogout(handle);
    return service.finish();
}
