// The router under attack, bounded in time, printing what it saw:
//   readers  30 clients ask for a 6 MB reply each and never read it; an
//            innocent client's longest round meanwhile, against `sendtimeout`
//   soak     20 clients insert and commit (awaited) while a worker is killed
//            every few seconds: confirmed commits lost, stale reads
//   fuzz     random frames on the client port: the router's memory peak
//            before and after, and whether it still serves
// Usage: attack_bench [readers|soak|fuzz|all] [seconds] [patience]
// A reader keeps its connection `patience` seconds (default `sendtimeout`
// + 2) before it connects and asks again.
#include "isdio.h"
#include "support/IsdClient.h"
#include "support/Services.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

using testsupport::IsdClient;
using testsupport::Services;
using testsupport::ServicesOptions;
using Clock = std::chrono::steady_clock;

namespace {

double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

long statusKb(pid_t pid, const std::string& field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
    return -1;
}

int rawConnect(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool serves(const Services& svc) {
    IsdClient c(svc.host(), svc.service(), svc.key());
    bool ok = c.ok() && c.query("select 1 from rdb$database") != "FAILED";
    c.rollback();
    return ok;
}

// A reply of about 6 MB: 6 000 rows of 1 000 characters.
const char* bigQuery = "select lpad('', 1000, 'x') from rdb$relations a, rdb$relations b, rdb$relations c rows 6000";

void readers(double seconds, double patience) {
    const int sendTimeout = 5;
    if (patience <= 0) patience = sendTimeout + 2;
    ServicesOptions o;
    o.workers = 2;
    o.settings = {"sendtimeout=" + std::to_string(sendTimeout)};
    Services svc(o);
    std::atomic<bool> done{false};
    std::vector<std::thread> stalled;
    for (int i = 0; i < 30; ++i)
        stalled.emplace_back([&] {
            while (!done) {
                IsdClient c(svc.host(), svc.service(), svc.key());
                if (!c.ok() || !c.send(bigQuery)) continue;
                // Never reads: the router must drop it after the send limit.
                for (int k = 0; k < 10 * patience && !done; ++k)
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
    std::this_thread::sleep_for(std::chrono::seconds(1));
    double longest = 0, total = 0;
    int rounds = 0, failed = 0;
    auto start = Clock::now();
    while (since(start) < seconds) {
        auto t = Clock::now();
        IsdClient c(svc.host(), svc.service(), svc.key());
        bool ok = c.ok() && c.query("select 1 from rdb$database") != "FAILED";
        c.rollback();
        double d = since(t);
        longest = std::max(longest, d);
        total += d;
        ++rounds;
        if (!ok) ++failed;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    done = true;
    for (auto& t : stalled) t.join();
    std::printf(
        "readers   30 clients never reading a 6 MB reply (each asking again after %.0f s), sendtimeout %d s, %.0f s: "
        "an innocent client's %d rounds, longest %.2f s (limit %d s + 1), mean %.3f s, %d failed\n",
        patience, sendTimeout, seconds, rounds, longest, sendTimeout, rounds ? total / rounds : 0.0, failed);
}

void soak(double seconds) {
    const int clients = 20, killEvery = 5;
    ServicesOptions o;
    o.workers = 2;
    Services svc(o);
    std::atomic<bool> done{false};
    std::mutex m;
    std::set<std::string> confirmed;
    std::atomic<long> transactions{0}, unconfirmed{0}, staleReads{0}, checks{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < clients; ++i)
        threads.emplace_back([&, i] {
            std::unique_ptr<IsdClient> c;
            for (long n = 0; !done; ++n) {
                if (!c || !c->ok()) c.reset(new IsdClient(svc.host(), svc.service(), svc.key()));
                if (!c->ok()) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    continue;
                }
                const std::string tag = "soak-" + std::to_string(i) + "-" + std::to_string(n);
                std::string r = c->query("insert into Teachers (Teacher) values ('" + tag + "')");
                if (r == "FAILED" || r.find("rror") != std::string::npos) {
                    c->rollback();
                    continue;
                }
                std::string reply = c->query("commit");
                if (reply == "FAILED") {
                    ++unconfirmed;
                    continue;
                }
                ++transactions;
                {
                    std::lock_guard<std::mutex> lock(m);
                    confirmed.insert(tag);
                }
                // A new transaction, on whichever worker, sees the commit.
                std::string seen = c->query("select count(*) from Teachers where Teacher = '" + tag + "'");
                c->rollback();
                if (seen != "FAILED") {
                    ++checks;
                    if (seen.find('1') == std::string::npos) ++staleReads;
                }
            }
        });
    int kills = 0;
    auto start = Clock::now();
    while (since(start) < seconds) {
        std::this_thread::sleep_for(std::chrono::seconds(killEvery));
        auto pids = svc.workerPids();
        if (!pids.empty() && kill(pids[static_cast<size_t>(kills) % pids.size()], SIGKILL) == 0) ++kills;
    }
    done = true;
    for (auto& t : threads) t.join();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    std::string stored = svc.isql("select Teacher from Teachers where Teacher starting with 'soak-';");
    long lost = 0;
    for (const auto& tag : confirmed)
        if (stored.find(tag + " ") == std::string::npos && stored.find(tag + "\n") == std::string::npos) ++lost;
    std::printf(
        "soak      %d clients, %.0f s, a worker killed every %d s (%d kills): %ld confirmed commits, %ld of "
        "them lost; %ld not confirmed; %ld stale reads of %ld; router peak %ld kB\n",
        clients, seconds, killEvery, kills, transactions.load(), lost, unconfirmed.load(), staleReads.load(),
        checks.load(), statusKb(svc.routerPid(), "VmHWM"));
}

void fuzz(double seconds) {
    ServicesOptions o;
    o.workers = 1;
    Services svc(o);
    const pid_t router = svc.routerPid();
    serves(svc);
    const long before = statusKb(router, "VmHWM");
    std::mt19937 rng(20261209);
    long frames = 0, bytes = 0;
    auto start = Clock::now();
    while (since(start) < seconds) {
        int fd = rawConnect(svc.port());
        if (fd < 0) continue;
        for (int f = 0; f < 8; ++f) {
            std::string frame;
            IsdHeader h{};
            switch (rng() % 3) {
                case 0:  // bytes alone
                    frame.resize(rng() % 300);
                    for (auto& ch : frame) ch = static_cast<char>(rng());
                    break;
                case 1: {  // a well-formed header of any kind, a payload of any announced length
                    isdSetMagic(&h);
                    isdSetKind(&h, static_cast<uint16_t>(rng() % 12));
                    const int32_t length = static_cast<int32_t>(rng() % 5 == 0 ? rng() : rng() % 2000);
                    isdSetLength(&h, length);
                    isdSetMore(&h, static_cast<int16_t>(rng()));
                    frame.assign(reinterpret_cast<char*>(h.bytes), sizeof h.bytes);
                    std::string payload(std::min<int32_t>(std::max<int32_t>(length, 0), 2000), 'a');
                    for (auto& ch : payload) ch = static_cast<char>(rng());
                    frame += payload;
                    break;
                }
                default: {  // a login, then a flipped byte somewhere
                    isdSetMagic(&h);
                    isdSetKind(&h, ISD_LOGIN);
                    isdSetLength(&h, 8);
                    frame.assign(reinterpret_cast<char*>(h.bytes), sizeof h.bytes);
                    frame += "Plenwick";
                    frame[rng() % frame.size()] ^= static_cast<char>(1 + rng() % 255);
                }
            }
            if (send(fd, frame.data(), frame.size(), MSG_NOSIGNAL) < 0) break;
            ++frames;
            bytes += static_cast<long>(frame.size());
        }
        close(fd);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const bool stillServes = serves(svc);
    std::printf(
        "fuzz      %.0f s: %ld frames (%ld kB) on %s; router peak %ld kB before, %ld kB after, now %ld kB; "
        "afterwards it %s\n",
        seconds, frames, bytes / 1024, svc.host().c_str(), before, statusKb(router, "VmHWM"), statusKb(router, "VmRSS"),
        stillServes ? "serves" : "DOES NOT SERVE");
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "all";
    const double seconds = argc > 2 ? atof(argv[2]) : 30;
    signal(SIGPIPE, SIG_IGN);
    if (what == "readers" || what == "all") readers(seconds, argc > 3 ? atof(argv[3]) : 0);
    if (what == "soak" || what == "all") soak(seconds * 2);
    if (what == "fuzz" || what == "all") fuzz(seconds);
    return 0;
}
