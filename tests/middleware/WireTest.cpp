// The ISDIO wire format and its bounds, the connection file and the router
// configuration, tested against a hand-made peer.
#include "isdio.h"
#include "router/Config.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// A listening socket on a free loopback port that plays the router.
class FakeRouter {
public:
    FakeRouter() {
        listen_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(listen_, 4);
        getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
    }
    ~FakeRouter() {
        if (peer_ >= 0) close(peer_);
        close(listen_);
    }
    std::string endpoint() const { return "127.0.0.1:" + std::to_string(port_); }
    void accept() { peer_ = ::accept(listen_, nullptr, nullptr); }
    bool readExact(void* data, size_t n) {
        char* p = static_cast<char*>(data);
        while (n > 0) {
            ssize_t r = read(peer_, p, n);
            if (r <= 0) return false;
            p += r;
            n -= static_cast<size_t>(r);
        }
        return true;
    }
    // Reads one message; returns its payload.
    std::string readMessage(IsdHeader& h) {
        if (!readExact(h.bytes, 64)) return "<closed>";
        std::string payload(static_cast<size_t>(isdGetLength(&h)), '\0');
        if (!payload.empty() && !readExact(&payload[0], payload.size())) return "<closed>";
        return payload;
    }
    void write(const void* data, size_t n) { ASSERT_EQ(::write(peer_, data, n), static_cast<ssize_t>(n)); }
    // Whether bytes arrive within `ms` milliseconds.
    bool bytesWithin(int ms) {
        pollfd p{peer_, POLLIN, 0};
        return poll(&p, 1, ms) == 1;
    }
    void writeMessage(IsdHeader h, const std::string& payload) {
        write(h.bytes, 64);
        write(payload.data(), payload.size());
    }

private:
    int listen_ = -1, peer_ = -1, port_ = 0;
};

IsdHeader dataHeader(int32_t length, int16_t more) {
    IsdHeader h{};
    isdSetLength(&h, length);
    isdSetMagic(&h);
    isdSetMore(&h, more);
    return h;
}

// A worker connected to the fake router; the hello is already read.
struct WorkerLink {
    FakeRouter router;
    int handle = -1;
    std::string hello;
    WorkerLink() {
        std::string endpoint = router.endpoint();
        char logdir[] = "/tmp/plenwick-wire-XXXXXX";
        dir = mkdtemp(logdir);
        const char* argv[] = {"worker", endpoint.c_str(), "Svc", "Svc-1", dir.c_str(), nullptr};
        std::thread t([&] { router.accept(); });
        handle = isdConnect(5, const_cast<char**>(argv));
        t.join();
        IsdHeader h;
        hello = router.readMessage(h);
        helloKind = isdGetKind(&h);
    }
    ~WorkerLink() {
        if (handle >= 0) isdLogout(handle);
        testsupport::removeTree(dir);
    }
    std::string dir;
    int helloKind = -1;
};

}  // namespace

TEST(Wire, HeaderFieldsSitAtTheirOffsetsLittleEndian) {
    IsdHeader h{};
    isdSetLength(&h, 0x01020304);
    isdSetReplyWanted(&h, 1);
    isdSetKind(&h, ISD_FAIL);
    isdSetMore(&h, -1);
    isdSetMagic(&h);
    const unsigned char expectLength[] = {4, 3, 2, 1};
    EXPECT_EQ(0, memcmp(h.bytes, expectLength, 4));
    EXPECT_EQ(0, memcmp(h.bytes + 4, "ISD1", 4));
    EXPECT_EQ(1, h.bytes[8]);
    EXPECT_EQ(0, h.bytes[9]);
    EXPECT_EQ(0, h.bytes[10]);
    EXPECT_EQ(0, h.bytes[11]);
    EXPECT_EQ(ISD_FAIL, h.bytes[12]);
    EXPECT_EQ(0xff, h.bytes[20]);
    EXPECT_EQ(0xff, h.bytes[21]);
    for (int i = 24; i < 64; ++i) EXPECT_EQ(0, h.bytes[i]) << i;
    EXPECT_EQ(0x01020304, isdGetLength(&h));
    EXPECT_EQ(-1, isdGetMore(&h));
    EXPECT_EQ(1, isdGetReplyWanted(&h));
    EXPECT_EQ(ISD_FAIL, isdGetKind(&h));
}

TEST(Wire, HeaderBoundsOnLengthAndMagic) {
    IsdHeader h = dataHeader(ISD_MAX_LENGTH, 0);
    EXPECT_TRUE(isdHeaderValid(&h));
    isdSetLength(&h, ISD_MAX_LENGTH + 1);
    EXPECT_FALSE(isdHeaderValid(&h));
    isdSetLength(&h, -1);
    EXPECT_FALSE(isdHeaderValid(&h));
    isdSetLength(&h, 0);
    EXPECT_TRUE(isdHeaderValid(&h));
    h.bytes[4] = 'X';
    EXPECT_FALSE(isdHeaderValid(&h));
}

TEST(Wire, WorkerHelloSendAndLogFiles) {
    WorkerLink link;
    ASSERT_GE(link.handle, 0) << isdLastError();
    EXPECT_EQ(ISD_HELLO, link.helloKind);
    EXPECT_EQ("Svc\nSvc-1", link.hello);

    // Length -1 measures the text; length and magic are set in the caller's header.
    IsdHeader out{};
    isdSetMore(&out, -1);
    isdSetReplyWanted(&out, 1);
    EXPECT_EQ(5, isdSend(link.handle, "hello", -1, &out));
    EXPECT_EQ(5, isdGetLength(&out));
    EXPECT_EQ(ISD_MAGIC, isdGetMagic(&out));
    IsdHeader seen;
    EXPECT_EQ("hello", link.router.readMessage(seen));
    EXPECT_EQ(0, memcmp(seen.bytes, out.bytes, 64));

    // An empty block is a message of its own.
    IsdHeader empty{};
    EXPECT_EQ(0, isdSend(link.handle, "", 0, &empty));
    EXPECT_EQ("", link.router.readMessage(seen));
    EXPECT_EQ(0, isdGetLength(&seen));

    // Received bytes are NUL-terminated; the whole header is handed over.
    IsdHeader in = dataHeader(3, 1);
    isdSetReplyWanted(&in, 1);
    link.router.writeMessage(in, "abc");
    IsdHeader got{};
    char* text = isdRecv(link.handle, &got);
    ASSERT_NE(nullptr, text);
    EXPECT_STREQ("abc", text);
    EXPECT_EQ(3, isdGetLength(&got));
    EXPECT_EQ(1, isdGetMore(&got));
    EXPECT_EQ(1, isdGetReplyWanted(&got));

    // ISD_SHUTDOWN ends the worker's loop.
    EXPECT_EQ(0, isdShutdownRequested(link.handle));
    IsdHeader bye = dataHeader(0, 0);
    isdSetKind(&bye, ISD_SHUTDOWN);
    link.router.writeMessage(bye, "");
    isdSetMore(&got, 7);
    EXPECT_EQ(nullptr, isdRecv(link.handle, &got));
    EXPECT_EQ(7, isdGetMore(&got));
    EXPECT_EQ(1, isdShutdownRequested(link.handle));

    EXPECT_GT(isdLog("line %d\nsecond", 1), 0);
    isdError("trouble %s", "here");
    isdLogFlush();
    std::string log, err;
    {
        std::ifstream l(link.dir + "/Svc-Svc-1.log");
        std::getline(l, log);
        // A line feed inside a record is written escaped: the record stays
        // one stamped line and its text cannot start a line of its own.
        std::string second;
        EXPECT_FALSE(std::getline(l, second)) << second;
        EXPECT_NE(std::string::npos, log.find("line 1\\nsecond")) << log;
        std::ifstream e(link.dir + "/Svc-Svc-1.err");
        std::getline(e, err);
    }
    EXPECT_NE(std::string::npos, log.find("line 1"));
    EXPECT_EQ('2', log[0]) << "a time stamp starts each line: " << log;
    EXPECT_NE(std::string::npos, err.find("trouble here"));
}

// A long reply's blocks are queued and written many at a time; the peer
// sees every block, in order, with its own header.
TEST(Wire, QueuedBlocksGoOutInOrderBeforeTheFinalBlock) {
    WorkerLink link;
    ASSERT_GE(link.handle, 0) << isdLastError();
    IsdHeader out{};
    isdSetMore(&out, 1);
    for (char c : {'a', 'b', 'c'}) {
        std::string block(1023, c);
        EXPECT_EQ(1023, isdSendQueued(link.handle, block.data(), 1023, &out));
    }
    EXPECT_FALSE(link.router.bytesWithin(50)) << "three blocks wait for the final one";
    isdSetMore(&out, -1);
    EXPECT_EQ(4, isdSend(link.handle, "tail", 4, &out));
    IsdHeader seen;
    for (char c : {'a', 'b', 'c'}) {
        EXPECT_EQ(std::string(1023, c), link.router.readMessage(seen));
        EXPECT_EQ(1023, isdGetLength(&seen));
        EXPECT_EQ(1, isdGetMore(&seen));
        EXPECT_EQ(ISD_DATA, isdGetKind(&seen));
    }
    EXPECT_EQ("tail", link.router.readMessage(seen));
    EXPECT_EQ(-1, isdGetMore(&seen));

    // Some 64 kB queued go out without waiting for the final block: the
    // worker's memory stays bounded whatever the reply's size.
    isdSetMore(&out, 1);
    std::string block(1023, 'x');
    std::thread early([&] {
        for (int i = 0; i < 48; ++i) EXPECT_EQ(block, link.router.readMessage(seen)) << i;
    });
    for (int i = 0; i < 70; ++i) ASSERT_EQ(1023, isdSendQueued(link.handle, block.data(), 1023, &out));
    early.join();  // 48 blocks arrived with no final block sent

    // Blocks still queued are written before the worker waits for a request.
    IsdHeader in{};
    std::thread reader([&] {
        for (int i = 48; i < 70; ++i) EXPECT_EQ(block, link.router.readMessage(seen)) << i;
        link.router.writeMessage(dataHeader(2, 1), "go");
    });
    char* text = isdRecv(link.handle, &in);
    reader.join();
    ASSERT_NE(nullptr, text);
    EXPECT_STREQ("go", text);
}

// Messages that arrive together are handed out one per receive, each with
// its header, also one longer than the library's read chunk and an empty one.
TEST(Wire, MessagesArrivingTogetherAreReceivedOneByOne) {
    WorkerLink link;
    ASSERT_GE(link.handle, 0) << isdLastError();
    std::vector<std::string> payloads = {"first", std::string(100000, 'm'), "", "last"};
    std::string wire;
    for (size_t i = 0; i < payloads.size(); ++i) {
        IsdHeader h = dataHeader(static_cast<int32_t>(payloads[i].size()), static_cast<int16_t>(i + 1));
        wire.append(reinterpret_cast<const char*>(h.bytes), 64);
        wire += payloads[i];
    }
    std::thread writer([&] { link.router.write(wire.data(), wire.size()); });
    for (size_t i = 0; i < payloads.size(); ++i) {
        IsdHeader got{};
        char* text = isdRecv(link.handle, &got);
        ASSERT_NE(nullptr, text) << i << ": " << isdLastError();
        EXPECT_EQ(payloads[i], std::string(text, static_cast<size_t>(isdGetLength(&got)))) << i;
        EXPECT_EQ('\0', text[payloads[i].size()]);
        EXPECT_EQ(static_cast<int>(i + 1), isdGetMore(&got));
    }
    writer.join();
}

// The worker's log records reach the file once it flushes them (after each
// request); its error records at once.
TEST(Wire, LogRecordsAreWrittenAtTheFlushErrorsAtOnce) {
    WorkerLink link;
    ASSERT_GE(link.handle, 0) << isdLastError();
    isdLog("request %d", 1);
    isdLog("reply %d", 1);
    EXPECT_EQ("", testsupport::readFile(link.dir + "/Svc-Svc-1.log"));
    isdError("failed %s", "send");
    EXPECT_NE(std::string::npos, testsupport::readFile(link.dir + "/Svc-Svc-1.err").find("failed send"));
    isdLogFlush();
    std::string log = testsupport::readFile(link.dir + "/Svc-Svc-1.log");
    size_t first = log.find("request 1\n"), second = log.find("reply 1\n");
    EXPECT_NE(std::string::npos, first) << log;
    EXPECT_NE(std::string::npos, second) << log;
    EXPECT_LT(first, second);
}

TEST(Wire, ReceiveRejectsBadHeadersAndKeepsMore) {
    struct Case {
        const char* what;
        IsdHeader header;
    };
    IsdHeader tooLong = dataHeader(ISD_MAX_LENGTH + 1, 0);
    IsdHeader negative = dataHeader(-5, 0);
    IsdHeader badMagic = dataHeader(3, 0);
    memcpy(badMagic.bytes + 4, "HTTP", 4);
    for (const Case& c :
         {Case{"length above 64 MiB", tooLong}, Case{"negative length", negative}, Case{"wrong magic", badMagic}}) {
        WorkerLink link;
        ASSERT_GE(link.handle, 0);
        link.router.writeMessage(c.header, "abc");
        IsdHeader got{};
        isdSetMore(&got, -999);
        EXPECT_EQ(nullptr, isdRecv(link.handle, &got)) << c.what;
        EXPECT_EQ(-999, isdGetMore(&got)) << c.what;
        // The connection is given up: later calls fail at once.
        IsdHeader h{};
        EXPECT_EQ(-1, isdSend(link.handle, "x", -1, &h)) << c.what;
        EXPECT_EQ(0, isdShutdownRequested(link.handle)) << "a broken connection is no orderly end";
    }
}

TEST(Wire, ReceiveAcceptsTheLargestMessage) {
    WorkerLink link;
    ASSERT_GE(link.handle, 0);
    std::string big(ISD_MAX_LENGTH, 'z');
    std::thread writer([&] { link.router.writeMessage(dataHeader(ISD_MAX_LENGTH, 0), big); });
    IsdHeader got{};
    char* text = isdRecv(link.handle, &got);
    writer.join();
    ASSERT_NE(nullptr, text);
    EXPECT_EQ(ISD_MAX_LENGTH, isdGetLength(&got));
    EXPECT_EQ('z', text[ISD_MAX_LENGTH - 1]);
    EXPECT_EQ('\0', text[ISD_MAX_LENGTH]);
}

TEST(Wire, ConnectFailuresSetErrno) {
    const char* tooFew[] = {"worker", "127.0.0.1:1", nullptr};
    errno = 0;
    EXPECT_EQ(-1, isdConnect(2, const_cast<char**>(tooFew)));
    EXPECT_EQ(EINVAL, errno);
    // Port 1 on loopback: nobody listens.
    const char* refused[] = {"worker", "127.0.0.1:1", "S", "S-1", "/tmp", nullptr};
    errno = 0;
    EXPECT_EQ(-1, isdConnect(5, const_cast<char**>(refused)));
    EXPECT_EQ(ECONNREFUSED, errno);
    EXPECT_EQ(-1, isdLogin("", "Plenwick", 2));
    EXPECT_EQ(-1, isdLogin("127.0.0.1:1", "Plenwick", 2));
    EXPECT_EQ(-1, isdLogin("127.0.0.1:notaport", "Plenwick", 2));
    IsdHeader h{};
    EXPECT_EQ(-1, isdSend(12345, "x", -1, &h));
    EXPECT_EQ(nullptr, isdRecv(-1, &h));
}

TEST(ConnectionFile, KeysValuesAndDamagedFiles) {
    std::string host, service;
    isdParseConnectionText("[Plenwick]\r\nHost = db.school:7200 \r\nDatabaseService=Plenwick\r\n", host, service);
    EXPECT_EQ("db.school:7200", host);
    EXPECT_EQ("Plenwick", service);

    // Without the service line the first "=" of the file gives the value.
    isdParseConnectionText("Host=alpha\n", host, service);
    EXPECT_EQ("alpha", host);
    EXPECT_EQ("alpha", service);

    // The first occurrence of the key counts, even inside another word.
    isdParseConnectionText("; Hostname below\nHost=beta\nDatabaseService=S\n", host, service);
    EXPECT_EQ("beta", host);

    // The last line may lack its line feed.
    isdParseConnectionText("Host=h\nDatabaseService= Svc ", host, service);
    EXPECT_EQ("Svc", service);

    isdParseConnectionText("nothing here", host, service);
    EXPECT_EQ("", host);
    EXPECT_EQ("", service);

    EXPECT_FALSE(isdReadConnectionFile("/nonexistent/Plenwick.ini", host, service));
    EXPECT_EQ("", host);
    EXPECT_EQ("", service);
}

TEST(RouterConfig, ParsesServicesArgsAndMasksThePassword) {
    isectd::RouterConfig c;
    std::string error;
    ASSERT_TRUE(
        isectd::parseConfig("[router]\n"
                            "bind = 0.0.0.0   ; all\n"
                            "port = 0\n"
                            "logdir = logs\n"
                            "# a comment\n"
                            "[service Plenwick]\n"
                            "workers = 3\n"
                            "program = bin/Vantry\n"
                            "arg = /data/my db.fdb\n"
                            "arg = SYSDBA\n"
                            "arg = ${PASSWORD}\n"
                            "arg = \" padded ; kept \"\n"
                            "password = pa;ss#word\n"
                            "env = FIREBIRD=/fb\n"
                            "env = ISC_PASSWORD=${PASSWORD}\n"
                            "[service Other]\n"
                            "program = worker\n",
                            "/etc/isectd", c, error))
        << error;
    EXPECT_EQ("0.0.0.0", c.bind);
    EXPECT_EQ(0, c.port);
    EXPECT_EQ("/etc/isectd/logs", c.logdir);
    EXPECT_EQ("/etc/isectd/logs", c.rundir);
    ASSERT_EQ(2u, c.services.size());
    const isectd::ServiceConfig& s = c.services[0];
    EXPECT_EQ(3, s.workers);
    EXPECT_EQ("/etc/isectd/bin/Vantry", s.program);
    EXPECT_EQ("worker", c.services[1].program);
    EXPECT_EQ(1, c.services[1].workers);
    std::vector<std::string> args{"/data/my db.fdb", "SYSDBA", "pa;ss#word", " padded ; kept "};
    EXPECT_EQ(args, s.expandedArgs());
    EXPECT_EQ("ISC_PASSWORD=pa;ss#word", s.expandedEnv()[1]);
    std::string text = isectd::describeConfig(c);
    EXPECT_EQ(std::string::npos, text.find("pa;ss#word")) << text;
    EXPECT_NE(std::string::npos, text.find("********")) << text;
}

TEST(RouterConfig, ErrorsNameTheLine) {
    isectd::RouterConfig c;
    std::string error;
    EXPECT_FALSE(isectd::parseConfig("[router]\nport = 99999\n[service S]\nprogram=x\n", "", c, error));
    EXPECT_EQ(0u, error.find("line 2")) << error;
    EXPECT_FALSE(isectd::parseConfig("[router]\nportt = 1\n", "", c, error));
    EXPECT_EQ(0u, error.find("line 2")) << error;
    EXPECT_FALSE(isectd::parseConfig("[service S]\nworkers = 0\nprogram=x\n", "", c, error));
    EXPECT_FALSE(isectd::parseConfig("[service S]\nworkers = 1\n", "", c, error));
    EXPECT_NE(std::string::npos, error.find("no program")) << error;
    EXPECT_FALSE(isectd::parseConfig("[service S]\nprogram=x\n[service S]\nprogram=y\n", "", c, error));
    EXPECT_FALSE(isectd::parseConfig("[router]\nport = 1\n", "", c, error));
    EXPECT_FALSE(isectd::parseConfig("key = value\n", "", c, error));
    EXPECT_FALSE(isectd::parseConfig("[service S]\nprogram=x\nenv = NOVALUE\n", "", c, error));
}
