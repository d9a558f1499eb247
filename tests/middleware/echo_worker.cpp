// A worker for routing tests.  It speaks ISDIO like the real worker and keeps
// a fake transaction: "put X" adds X, "commit" keeps the added values,
// "rollback" forgets them.  Requests:
//   put X      -> "[ok]"
//   get        -> "[NAME|uncommitted values, comma separated]"
//   all        -> "[committed values, comma separated]"
//   pid        -> "[PID]"
//   args       -> "[the worker's own arguments, | separated]"
//   env NAME   -> "[value of NAME]"
//   blocks N   -> N bytes, "[" then 'b'..'z','a'.. in blocks of 1023
//   half       -> one block with more 1, then the process dies
//   die        -> the process dies without a reply
//   fail       -> "error: failed" (an error reply: no "[")
//   sleep MS   -> "[slept]" after MS milliseconds
//   anything   -> "[echo:TEXT]"
// "commit"/"rollback" are answered with the request's own bytes, more 0.
#include "isdio.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int handle = -1;

void reply(const std::string& text, int requestMore) {
    IsdHeader h{};
    size_t pos = 0;
    while (text.size() - pos > 1023) {
        isdSetMore(&h, 1);
        isdSend(handle, text.data() + pos, 1023, &h);
        pos += 1023;
    }
    isdSetMore(&h, static_cast<int16_t>(requestMore ? -1 : 0));
    isdSend(handle, text.data() + pos, static_cast<int>(text.size() - pos), &h);
}

std::string join(const std::string& a, const std::string& b) { return a.empty() ? b : a + "," + b; }

}  // namespace

int main(int argc, char** argv) {
    handle = isdConnect(argc, argv);
    if (handle < 0) {
        fprintf(stderr, "echo worker: isdConnect failed: %s\n", strerror(errno));
        return 1;
    }
    std::string name = argv[3], pending, committed;
    IsdHeader h{};
    char* text;
    while ((text = isdRecv(handle, &h)) != nullptr) {
        std::string request(text, static_cast<size_t>(isdGetLength(&h)));
        int more = isdGetMore(&h);
        isdLog("request %s, more = %d", request.c_str(), more);
        if (request.compare(0, 6, "commit") == 0) {
            committed = pending.empty() ? committed : join(committed, pending);
            pending.clear();
            IsdHeader r{};
            isdSend(handle, request.data(), static_cast<int>(request.size()), &r);
        } else if (request.compare(0, 8, "rollback") == 0) {
            pending.clear();
            IsdHeader r{};
            isdSend(handle, request.data(), static_cast<int>(request.size()), &r);
        } else if (request.compare(0, 4, "put ") == 0) {
            pending = join(pending, request.substr(4));
            reply("[ok]", more);
        } else if (request == "get") {
            reply("[" + name + "|" + pending + "]", more);
        } else if (request == "all") {
            reply("[" + committed + "]", more);
        } else if (request == "pid") {
            reply("[" + std::to_string(getpid()) + "]", more);
        } else if (request == "args") {
            std::string all;
            for (int i = 5; i < argc; ++i) all += (i > 5 ? "|" : "") + std::string(argv[i]);
            reply("[" + all + "]", more);
        } else if (request.compare(0, 4, "env ") == 0) {
            const char* v = getenv(request.substr(4).c_str());
            reply(std::string("[") + (v ? v : "") + "]", more);
        } else if (request.compare(0, 7, "blocks ") == 0) {
            std::string data(static_cast<size_t>(atol(request.c_str() + 7)), 'x');
            for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i ? 'a' + i % 26 : '[');
            reply(data, more);
        } else if (request == "half") {
            IsdHeader r{};
            isdSetMore(&r, 1);
            isdSend(handle, "[first block", 12, &r);
            _exit(3);
        } else if (request == "die") {
            _exit(3);
        } else if (request.compare(0, 6, "sleep ") == 0) {
            usleep(static_cast<useconds_t>(atol(request.c_str() + 6)) * 1000);
            reply("[slept]", more);
        } else if (request == "fail") {
            reply("error: failed", 0);
        } else {
            reply("[echo:" + request + "]", more);
        }
    }
    isdLog("shutdown, uncommitted: %s", pending.c_str());
    isdLogout(handle);
    return 0;
}
