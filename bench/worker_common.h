// Shared pieces of the worker benchmarks: a router client, a clock, the
// worker's memory peak, and a private Firebird server for host:path runs.
#ifndef PLENWICK_BENCH_WORKER_COMMON_H
#define PLENWICK_BENCH_WORKER_COMMON_H

#include "IsdClient.h"
#include "Services.h"
#include "isdio.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace workerbench {

inline double seconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

inline std::string quote(const std::string& s) { return testsupport::shellQuote(s); }

// The shared router client; a failed request ends the benchmark.
class Client : public testsupport::IsdClient {
public:
    Client(const std::string& host, const std::string& service) : IsdClient(host, service)
    {
        if (!ok()) throw std::runtime_error(std::string("isdLogin failed: ") + isdLastError());
    }

    // Sends a query and receives the whole reply; returns its size in bytes.
    // `last` receives the last block's text.
    std::size_t query(const std::string& sql, std::string* last = nullptr)
    {
        if (!send(sql)) throw std::runtime_error("isdSend failed");
        std::vector<testsupport::Block> blocks;
        if (!receive(blocks)) throw std::runtime_error(std::string("isdRecv failed: ") + isdLastError());
        std::size_t total = 0;
        for (const auto& b : blocks) total += b.data.size();
        if (last) *last = blocks.back().data;
        return total;
    }
    // Sends a query that must succeed.
    void must(const std::string& sql)
    {
        std::string last;
        query(sql, &last);
        if (last.find('[') == std::string::npos && last.find(']') == std::string::npos)
            throw std::runtime_error("failed: " + sql + "\n" + last);
    }
    void word(const char* w)
    {
        if (!IsdClient::word(w)) throw std::runtime_error("isdSend failed");
    }
};

// A /proc/PID/status field in kB (VmHWM, VmRSS).
inline long statusKb(pid_t pid, const char* field)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    std::string key = std::string(field) + ":";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) == 0) return std::stol(line.substr(key.size()));
    }
    return -1;
}

inline std::string sysdbaPassword()
{
    std::ifstream in("/etc/firebird/3.0/SYSDBA.password");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("ISC_PASSWORD=", 0) == 0) {
            std::string v = line.substr(13);
            if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'')) v = v.substr(1, v.size() - 2);
            return v;
        }
    }
    return "";
}

// A private Firebird server (scripts/fbserver) with one new database on it.
struct Server {
    std::string dir, database, password, why;

    bool start()
    {
        if (geteuid() != 0) {
            why = "starting a Firebird server needs root";
            return false;
        }
        password = sysdbaPassword();
        char tmpl[] = "/tmp/vantry-bench-server-XXXXXX";
        if (password.empty() || !mkdtemp(tmpl)) {
            why = "no SYSDBA password or no temporary directory";
            return false;
        }
        dir = tmpl;
        std::string out;
        if (testsupport::run(quote(testsupport::sourceDir() + "/scripts/fbserver") + " start " + quote(dir), &out,
                             false) != 0) {
            why = "scripts/fbserver could not start a server";
            return false;
        }
        database = out.substr(0, out.find('\n')) + ":" + dir + "/db/bench.fdb";
        std::string create = "create database '" + database + "' user 'SYSDBA' password '" + password +
                             "' page_size 8192 default character set NONE;\n";
        if (testsupport::run("echo " + quote(create) + " | isql-fb -q -b", &out) != 0) {
            why = "the server did not create a database: " + out;
            return false;
        }
        return true;
    }
    ~Server()
    {
        if (dir.empty()) return;
        testsupport::run(quote(testsupport::sourceDir() + "/scripts/fbserver") + " stop " + quote(dir));
        testsupport::run("rm -rf " + quote(dir));
    }
};

}  // namespace workerbench

#endif
