// isdcat: sends SQL statements through the router to the service named in
// Plenwick.ini and prints the replies exactly as received.
//
//   isdcat STATEMENT            one statement, committed
//   isdcat -t STATEMENT...      all statements in one transaction
//   isdcat [-t] -               one statement a line from standard input
//
// Every "commit" waits for its answer: the changes count as saved only once
// the router has passed on the worker's word that the commit ran.
//
// Exit status: 0 result, 1 error reply (or any failed line with -, or a
// commit the router reported as failed), 2 middleware unreachable or failed
// (after a commit was sent: its outcome is unknown).
#include "isdio.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

int usage() {
    fputs(
        "usage: isdcat STATEMENT\n"
        "       isdcat -t STATEMENT...\n"
        "       isdcat [-t] -\n"
        "Sends SQL through the middleware to the service named in ./Plenwick.ini\n"
        "(keys Host, DatabaseService and ServiceKey) and writes the reply text to\n"
        "standard output as received; with -t all statements run in one transaction,\n"
        "each reply followed by a line feed, and the first error rolls the transaction\n"
        "back.\n"
        "With - the statements are read one a line from standard input over one\n"
        "connection, each reply followed by a line feed; a line \"commit\" or\n"
        "\"rollback\" is sent as that word.  Without -t every statement is committed;\n"
        "with -t they share a transaction until a \"commit\" or \"rollback\" line\n"
        "(after a failed statement the rest of that transaction is skipped).  Errors\n"
        "go to standard error and the next line goes on.\n"
        "Every commit waits for its answer; one that is not confirmed is reported on\n"
        "standard error.\n"
        "Exit status: 0 result, 1 error reply (with -: any line failed) or a commit\n"
        "reported as not saved, 2 middleware unreachable or failed (after a commit:\n"
        "the changes may not have been saved).\n",
        stderr);
    return 2;
}

enum class Outcome { Result, Error, Failed };

// Sends a statement and collects its reply blocks.  Failed: the middleware
// failed (isdLastError says why).
Outcome query(int handle, const std::string& sql, std::string& reply) {
    IsdHeader header{};
    isdSetReplyWanted(&header, 1);
    isdSetMore(&header, 1);
    if (isdSend(handle, sql.c_str(), -1, &header) < 0) return Outcome::Failed;
    reply.clear();
    bool first = true;
    bool error = false;
    do {
        isdSetMore(&header, -999);
        char* block = isdRecv(handle, &header);
        if (isdGetMore(&header) == -999 || !block) return Outcome::Failed;
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
    return error ? Outcome::Error : Outcome::Result;
}

bool sendWord(int handle, const char* word) {
    IsdHeader header{};
    return isdSend(handle, word, -1, &header) >= 0;
}

// Sends "commit" asking for its answer and waits for it.  Saved: the worker
// echoed the word.  NotSaved: the router reported the transaction lost (its
// text says whether anything may have been saved).  Unknown: the connection
// broke once the word was on its way.  `why` is the text for the user.
enum class Commit { Saved, NotSaved, Unknown };

Commit commit(int handle, std::string& why) {
    IsdHeader header{};
    isdSetReplyWanted(&header, 1);
    if (isdSend(handle, "commit", -1, &header) < 0) {
        why = std::string("sending the commit failed (") + isdLastError() + "); the changes may not have been saved";
        return Commit::Unknown;
    }
    for (;;) {
        isdSetMore(&header, -999);
        char* block = isdRecv(handle, &header);
        if (!block || isdGetMore(&header) == -999) {
            if (const char* reason = isdFailureReason(handle)) {
                why = reason;
                return Commit::NotSaved;
            }
            why = std::string("the connection broke after the commit was sent (") + isdLastError() +
                  "); the changes may not have been saved";
            return Commit::Unknown;
        }
        if (isdGetMore(&header) <= 0) return Commit::Saved;
    }
}

// 0 when the commit was confirmed; else its failure on standard error and
// the exit status it calls for.
int confirmCommit(int handle, const std::string& where) {
    std::string why;
    Commit outcome = commit(handle, why);
    if (outcome == Commit::Saved) return 0;
    fprintf(stderr, "isdcat: %scommit not confirmed: %s\n", where.c_str(), why.c_str());
    return outcome == Commit::NotSaved ? 1 : 2;
}

std::string trim(const std::string& s) {
    const char* space = " \t\r\n";
    size_t first = s.find_first_not_of(space);
    if (first == std::string::npos) return std::string();
    return s.substr(first, s.find_last_not_of(space) - first + 1);
}

// The SQL shell: one statement a line.
int lines(int handle, bool transaction) {
    int status = 0;
    bool open = false;  // statements sent since the last commit or rollback
    long failedAt = 0;  // with -t: the line whose failure ended the transaction
    std::string line;
    long number = 0;
    while (std::getline(std::cin, line)) {
        ++number;
        std::string sql = trim(line);
        if (!sql.empty() && sql.back() == ';') sql = trim(sql.substr(0, sql.size() - 1));
        if (sql.empty()) continue;
        if (sql == "commit" || sql == "rollback") {
            std::string where = "line " + std::to_string(number) + ": ";
            if (sql == "commit" && failedAt == 0) {
                int failed = confirmCommit(handle, where);
                if (failed == 2) return 2;
                if (failed) status = 1;
            } else if (!sendWord(handle, "rollback")) {
                fprintf(stderr, "isdcat: line %ld: sending rollback failed: %s\n", number, isdLastError());
                return 2;
            }
            if (sql == "commit" && failedAt > 0)
                fprintf(stderr, "isdcat: line %ld: rolled back instead: the transaction failed at line %ld\n", number,
                        failedAt);
            open = false;
            failedAt = 0;
            continue;
        }
        if (transaction && failedAt > 0) {
            fprintf(stderr,
                    "isdcat: line %ld skipped: the transaction failed at line %ld; a \"commit\" or "
                    "\"rollback\" line ends it\n",
                    number, failedAt);
            status = 1;
            continue;
        }
        std::string reply;
        Outcome outcome = query(handle, sql, reply);
        if (outcome == Outcome::Failed) {
            if (!isdFailureReason(handle)) {
                fprintf(stderr, "isdcat: line %ld: the middleware failed: %s\n", number, isdLastError());
                return 2;
            }
            reply = isdFailureReason(handle);
            outcome = Outcome::Error;
        }
        if (outcome == Outcome::Error) {
            fprintf(stderr, "isdcat: line %ld: %s\n", number, trim(reply).c_str());
            status = 1;
            sendWord(handle, "rollback");
            if (transaction) failedAt = number;
            open = false;
        } else {
            fwrite(reply.data(), 1, reply.size(), stdout);
            fputc('\n', stdout);
            fflush(stdout);
            open = transaction;
            if (!transaction) {
                int failed = confirmCommit(handle, "line " + std::to_string(number) + ": ");
                if (failed == 2) return 2;
                if (failed) status = 1;
            }
        }
    }
    // The end of the input ends an open transaction as the last line would:
    // committed unless it failed.
    if (open) {
        int failed = confirmCommit(handle, "at the end of the input: ");
        if (failed) return failed;
    }
    if (failedAt > 0) sendWord(handle, "rollback");
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    bool transaction = argc > 1 && strcmp(argv[1], "-t") == 0;
    std::vector<std::string> statements(argv + (transaction ? 2 : 1), argv + argc);
    bool shell = statements.size() == 1 && statements[0] == "-";
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
    if (shell) {
        int status = lines(handle, transaction);
        fflush(stdout);
        isdLogout(handle);
        return status;
    }
    int status = 0;
    for (const auto& sql : statements) {
        std::string reply;
        Outcome outcome = query(handle, sql, reply);
        if (outcome == Outcome::Failed) {
            fprintf(stderr, "isdcat: the request failed: %s\n", isdLastError());
            isdLogout(handle);
            return 2;
        }
        fwrite(reply.data(), 1, reply.size(), stdout);
        if (transaction) fputc('\n', stdout);
        if (outcome == Outcome::Error) {
            status = 1;
            break;
        }
    }
    fflush(stdout);
    if (status == 0) {
        status = confirmCommit(handle, "");
    } else if (!sendWord(handle, "rollback")) {
        fprintf(stderr, "isdcat: sending the rollback failed: %s\n", isdLastError());
        status = 2;
    }
    isdLogout(handle);
    return status;
}
