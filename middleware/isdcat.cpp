// isdcat: sends SQL statements through the router to the service named in
// Plenwick.ini and prints the replies exactly as received.
//
//   isdcat STATEMENT            one statement, committed
//   isdcat -t STATEMENT...      all statements in one transaction
//
// Exit status: 0 result, 1 error reply, 2 middleware unreachable or failed.
#include "isdio.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

int usage() {
    fputs("usage: isdcat STATEMENT\n"
          "       isdcat -t STATEMENT...\n"
          "Sends SQL through the middleware to the service named in ./Plenwick.ini\n"
          "(keys Host and DatabaseService) and writes the reply text to standard output\n"
          "as received; with -t all statements run in one transaction, each reply\n"
          "followed by a line feed, and the first error rolls the transaction back.\n"
          "Exit status: 0 result, 1 error reply, 2 middleware unreachable or failed.\n",
          stderr);
    return 2;
}

// Sends a statement and collects its reply blocks; false when the
// middleware failed.
bool query(int handle, const std::string& sql, std::string& reply, bool& error) {
    IsdHeader header{};
    isdSetReplyWanted(&header, 1);
    isdSetMore(&header, 1);
    if (isdSend(handle, sql.c_str(), -1, &header) < 0) return false;
    reply.clear();
    bool first = true;
    error = false;
    do {
        isdSetMore(&header, -999);
        char* block = isdRecv(handle, &header);
        if (isdGetMore(&header) == -999 || !block) return false;
        std::string text(block, static_cast<size_t>(isdGetLength(&header)));
        if (first) error = text.find('[') == std::string::npos;
        first = false;
        reply += text;
    } while (isdGetMore(&header) > 0);
    // Rows followed by error lines (a failure while fetching) are an error
    // too.  Values never hold "]]\n" (the worker escapes "]" and line
    // feeds), so text after it can only be such error lines.
    size_t end = reply.rfind("]]\n");
    if (end != std::string::npos && end + 3 < reply.size()) error = true;
    return true;
}

bool endTransaction(int handle, const char* word) {
    IsdHeader header{};
    return isdSend(handle, word, -1, &header) >= 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool transaction = argc > 1 && strcmp(argv[1], "-t") == 0;
    std::vector<std::string> statements(argv + (transaction ? 2 : 1), argv + argc);
    if (statements.empty() || (!transaction && statements.size() != 1)) return usage();

    std::string host, service;
    if (!isdReadConnectionFile("Plenwick.ini", host, service)) {
        fputs("isdcat: cannot read Plenwick.ini in the working directory\n", stderr);
        return 2;
    }
    int handle = isdLogin(host.c_str(), service.c_str(), 2);
    if (handle < 0) {
        fprintf(stderr, "isdcat: cannot log in to service \"%s\" at \"%s\": %s\n", service.c_str(), host.c_str(),
                isdLastError());
        return 2;
    }
    int status = 0;
    for (const auto& sql : statements) {
        std::string reply;
        bool error = false;
        if (!query(handle, sql, reply, error)) {
            fprintf(stderr, "isdcat: the request failed: %s\n", isdLastError());
            isdLogout(handle);
            return 2;
        }
        fwrite(reply.data(), 1, reply.size(), stdout);
        if (transaction) fputc('\n', stdout);
        if (error) {
            status = 1;
            break;
        }
    }
    fflush(stdout);
    if (!endTransaction(handle, status == 0 ? "commit" : "rollback")) {
        fprintf(stderr, "isdcat: sending the end of the transaction failed: %s\n", isdLastError());
        status = 2;
    }
    isdLogout(handle);
    return status;
}
