// The router's parts on their own, inside the test process: the log, one
// session on a loopback connection, the log files, the key's proofs and the
// configuration, with no router running.
#include "Auth.h"
#include "LogFile.h"
#include "isdio.h"
#include "router/Config.h"
#include "router/Log.h"
#include "router/Session.h"
#include "support/TestFiles.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using asio::ip::tcp;

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// A session on one end of a loopback connection; the test holds the other
// end as a blocking socket.
struct SessionPair {
    asio::io_context io;
    tcp::socket peer{io};
    isectd::SessionPtr session;
    std::vector<isectd::MessagePtr> received;
    std::vector<std::string> closed;

    SessionPair() {
        tcp::acceptor acceptor(io, tcp::endpoint(asio::ip::address_v4::loopback(), 0));
        peer.connect(acceptor.local_endpoint());
        session = std::make_shared<isectd::Session>(acceptor.accept());
        session->start([this](const isectd::MessagePtr& m) { received.push_back(m); },
                       [this](const std::string& reason) { closed.push_back(reason); });
    }
    void write(const std::string& bytes) { asio::write(peer, asio::buffer(bytes)); }
    static std::string frame(uint16_t kind, const std::string& payload) {
        auto m = isectd::makeMessage(kind, payload);
        return std::string(reinterpret_cast<const char*>(m->header.bytes), ISD_HEADER_SIZE) + payload;
    }
    // Runs the handlers that are ready now.
    void settle() {
        for (int i = 0; i < 20; ++i) {
            io.poll();
            io.restart();
        }
    }
    // Reads one whole message from the peer's end.
    std::string readFromPeer(IsdHeader& h) {
        asio::read(peer, asio::buffer(h.bytes, ISD_HEADER_SIZE));
        std::string payload(static_cast<size_t>(isdGetLength(&h)), '\0');
        if (!payload.empty()) asio::read(peer, asio::buffer(&payload[0], payload.size()));
        return payload;
    }
};

}  // namespace

TEST(RouterLog, EveryLineIsStampedAndNoSecretSurvives) {
    char dir[] = "/tmp/plenwick-log-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    std::string path = std::string(dir) + "/router.log";
    {
        isectd::Log log;
        log.addSecret("s3cret");
        log.addSecret("");  // an empty password masks nothing
        ASSERT_TRUE(log.open(path));
        log.write("login with %s and again s3cret", "s3cret");
        log.write("first line\nsecond s3cret line");
        EXPECT_EQ("a ******** b", log.masked("a s3cret b"));
    }
    std::string text = slurp(path);
    EXPECT_EQ(std::string::npos, text.find("s3cret")) << text;
    EXPECT_NE(std::string::npos, text.find("login with ******** and again ********")) << text;
    std::istringstream lines(text);
    std::string line;
    int n = 0;
    while (std::getline(lines, line)) {
        ++n;
        // "YYYY-MM-DD HH:MM:SS.mmm " before every line, the second line of a record too.
        ASSERT_GT(line.size(), 24u) << line;
        EXPECT_EQ('-', line[4]) << line;
        EXPECT_EQ('.', line[19]) << line;
    }
    EXPECT_EQ(3, n) << text;
    // Text from a peer: control bytes escaped, cut with a note of its length.
    EXPECT_EQ("select 'a\\nb... (19 bytes)", isectd::excerpt("select 'a\nb' from x", 11));
    EXPECT_EQ("a\\tb\\x1b[2J", isectd::excerpt("a\tb\x1b[2J"));
    std::remove(path.c_str());
    std::remove(dir);
}

TEST(RouterSession, MessagesArriveWholeAndInOrderHoweverTheBytesCome) {
    SessionPair p;
    std::string bytes = SessionPair::frame(ISD_DATA, "select 1") + SessionPair::frame(ISD_LOGIN, "") +
                        SessionPair::frame(ISD_DATA, std::string(5000, 'x'));
    // One byte at a time, then the rest at once.
    for (size_t i = 0; i < 70; ++i) {
        p.write(bytes.substr(i, 1));
        p.settle();
    }
    p.write(bytes.substr(70));
    p.settle();
    ASSERT_EQ(3u, p.received.size());
    EXPECT_EQ("select 1", p.received[0]->payload);
    EXPECT_EQ(ISD_LOGIN, isdGetKind(&p.received[1]->header));
    EXPECT_EQ("", p.received[1]->payload);
    EXPECT_EQ(std::string(5000, 'x'), p.received[2]->payload);
    EXPECT_TRUE(p.closed.empty());
}

TEST(RouterSession, BadHeaderOrPeerCloseEndTheSessionOnceWithTheReason) {
    {
        SessionPair p;
        p.write(std::string(64, 'G'));
        p.settle();
        ASSERT_EQ(1u, p.closed.size());
        EXPECT_EQ("bad message header", p.closed[0]);
        EXPECT_TRUE(p.received.empty());
        char c;
        asio::error_code ec;
        p.peer.read_some(asio::buffer(&c, 1), ec);
        EXPECT_TRUE(ec) << "the session closed its end";
    }
    {
        SessionPair p;
        p.write(SessionPair::frame(ISD_DATA, "abc").substr(0, 66));  // cut inside the payload
        p.peer.close();
        p.settle();
        ASSERT_EQ(1u, p.closed.size());
        EXPECT_NE(std::string::npos, p.closed[0].find("truncated message")) << p.closed[0];
    }
    {
        // A close asked for by the router calls no handler.
        SessionPair p;
        p.session->close();
        p.peer.close();
        p.settle();
        EXPECT_TRUE(p.closed.empty());
    }
}

TEST(RouterSession, QueuedMessagesGoOutInOrderBeforeAnOrderlyClose) {
    SessionPair p;
    p.session->send(isectd::makeMessage(ISD_LOGIN_OK, ""));
    p.session->send(isectd::makeMessage(ISD_DATA, "[reply]"));
    p.session->closeAfterSending();
    p.session->send(isectd::makeMessage(ISD_DATA, "too late"));
    p.settle();
    IsdHeader h{};
    EXPECT_EQ("", p.readFromPeer(h));
    EXPECT_EQ(ISD_LOGIN_OK, isdGetKind(&h));
    EXPECT_EQ("[reply]", p.readFromPeer(h));
    EXPECT_EQ(ISD_DATA, isdGetKind(&h));
    char c;
    asio::error_code ec;
    p.peer.read_some(asio::buffer(&c, 1), ec);
    EXPECT_EQ(asio::error::eof, ec);
    // Nothing more is delivered after the close.
    p.write(SessionPair::frame(ISD_DATA, "ignored"));
    p.settle();
    EXPECT_TRUE(p.received.empty());
    EXPECT_TRUE(p.closed.empty());
}

TEST(MiddlewareLogFile, RecordsAreEscapedBoundedAndRotatedInPrivateFiles) {
    testsupport::TempDir dir("plenwick-logfile");
    std::string path = dir.file("w.log");
    {
        isdlog::LogFile log;
        ASSERT_TRUE(log.open(path, 2000, 2));
        log.setPrefix("[7] ");
        log.write("one\nfake 2026-01-01 line\r\x1b[31m\n");  // the last line feed only ends the record
        log.write(std::string(10000, 'q'));
        for (int i = 0; i < 60; ++i) log.write("filler " + std::to_string(i));
    }
    struct stat st;
    ASSERT_EQ(0, stat(path.c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);
    EXPECT_LE(st.st_size, 2000 + 100);
    EXPECT_EQ(0, stat((path + ".1").c_str(), &st));
    EXPECT_EQ(0, stat((path + ".2").c_str(), &st));
    EXPECT_NE(0, stat((path + ".3").c_str(), &st)) << "two old files kept";
    std::string all =
        testsupport::readFile(path + ".2") + testsupport::readFile(path + ".1") + testsupport::readFile(path);
    EXPECT_NE(std::string::npos, all.find("[7] one\\nfake 2026-01-01 line\\r\\x1b[31m\n")) << all.substr(0, 200);
    EXPECT_EQ(std::string::npos, all.find("\nfake")) << "no line of the sender's choosing";
    // Cut with its beginning, its end and its full length.
    EXPECT_NE(std::string::npos, all.find(" ...[10000 bytes in all]... ")) << all.substr(0, 300);
    EXPECT_EQ(std::string::npos, all.find(std::string(isdlog::LogFile::kRecordLimit, 'q')));
    EXPECT_NE(std::string::npos, all.find("filler 59\n"));

    size_t limit = 0;
    int keep = 0;
    EXPECT_TRUE(isdlog::parseLimit("65536 3", limit, keep));
    EXPECT_EQ(65536u, limit);
    EXPECT_EQ(3, keep);
    EXPECT_FALSE(isdlog::parseLimit("lots", limit, keep));
    EXPECT_FALSE(isdlog::parseLimit(nullptr, limit, keep));
}

TEST(MiddlewareAuth, ProofsDependOnKeyRoleServiceNoncesAndSession) {
    std::string a = isdauth::nonce(), b = isdauth::nonce();
    EXPECT_TRUE(isdauth::isNonce(a));
    EXPECT_NE(a, b);
    EXPECT_FALSE(isdauth::isNonce("xyz"));
    std::string p = isdauth::proof("key", "client", "Plenwick", a, b, "");
    EXPECT_EQ(64u, p.size());
    EXPECT_TRUE(isdauth::sameProof(p, isdauth::proof("key", "client", "Plenwick", a, b, "")));
    EXPECT_FALSE(isdauth::sameProof(p, isdauth::proof("kez", "client", "Plenwick", a, b, "")));
    EXPECT_FALSE(isdauth::sameProof(p, isdauth::proof("key", "router", "Plenwick", a, b, "")));
    EXPECT_FALSE(isdauth::sameProof(p, isdauth::proof("key", "client", "Other", a, b, "")));
    EXPECT_FALSE(isdauth::sameProof(p, isdauth::proof("key", "client", "Plenwick", b, a, "")));
    EXPECT_FALSE(isdauth::sameProof(p, isdauth::proof("key", "client", "Plenwick", a, b, "tls session")));
    EXPECT_FALSE(isdauth::sameProof("", ""));
    testsupport::TempDir dir("plenwick-key");
    testsupport::writeFile(dir.file("k"), "  abc123  \nignored\n");
    std::string key, error;
    EXPECT_TRUE(isdauth::readKeyFile(dir.file("k"), key, error));
    EXPECT_EQ("abc123", key);
    testsupport::writeFile(dir.file("empty"), "\n");
    EXPECT_FALSE(isdauth::readKeyFile(dir.file("empty"), key, error));
    EXPECT_FALSE(isdauth::readKeyFile(dir.file("none"), key, error));
    EXPECT_NE(std::string::npos, error.find("cannot read the key file")) << error;
    EXPECT_EQ("00ff", isdParseServiceKey("[Plenwick]\r\nHost=h:1\r\nDatabaseService=P\r\nServiceKey = 00ff \r\n"));
    EXPECT_EQ("", isdParseServiceKey("[Plenwick]\nHost=h:1\nDatabaseService=P\n"));
}

TEST(RouterConfig, LimitsTimeoutsKeyAndTls) {
    isectd::RouterConfig c;
    std::string error;
    ASSERT_TRUE(
        isectd::parseConfig("[router]\nkeyfile = key\ntlscert = c.pem\ntlskey = k.pem\nmaxclients = 5\n"
                            "maxlogins = 3\nlogintimeout = 0.5\nidletimeout = 0\ntransactiontimeout = 7\n"
                            "requesttimeout = 9\ncommitwait = 0.5\nsendtimeout = 2\nstoptimeout = 1.5\nclientbuffer = "
                            "65536\nlogsize = 100\n"
                            "logkeep = 2\n[service S]\nprogram = w\n",
                            "/etc/i", c, error))
        << error;
    EXPECT_EQ("/etc/i/key", c.keyfile);
    EXPECT_TRUE(c.tls());
    EXPECT_EQ(5, c.maxClients);
    EXPECT_EQ(3, c.maxLogins);
    EXPECT_DOUBLE_EQ(0.5, c.loginTimeout);
    EXPECT_DOUBLE_EQ(0, c.idleTimeout);
    EXPECT_DOUBLE_EQ(7, c.transactionTimeout);
    EXPECT_DOUBLE_EQ(9, c.requestTimeout);
    EXPECT_DOUBLE_EQ(0.5, c.commitWait);
    EXPECT_DOUBLE_EQ(2, c.sendTimeout);
    EXPECT_DOUBLE_EQ(1.5, c.stopTimeout);
    EXPECT_EQ(65536, c.clientBuffer);
    EXPECT_EQ(100, c.logSize);
    EXPECT_EQ(2, c.logKeep);
    // The defaults.
    ASSERT_TRUE(isectd::parseConfig("[service S]\nprogram = w\n", "", c, error)) << error;
    EXPECT_EQ(200, c.maxClients);
    EXPECT_EQ(20, c.maxLogins);
    EXPECT_DOUBLE_EQ(5, c.loginTimeout);
    EXPECT_DOUBLE_EQ(3600, c.idleTimeout);
    EXPECT_DOUBLE_EQ(60, c.transactionTimeout);
    EXPECT_DOUBLE_EQ(120, c.requestTimeout);
    EXPECT_DOUBLE_EQ(5, c.commitWait);
    EXPECT_DOUBLE_EQ(30, c.sendTimeout);
    EXPECT_DOUBLE_EQ(15, c.stopTimeout);
    EXPECT_EQ(1 << 20, c.clientBuffer);
    EXPECT_EQ("", isectd::startProblem(c));
    c.bind = "192.168.1.5";
    EXPECT_NE(std::string::npos, isectd::startProblem(c).find("needs a service key")) << isectd::startProblem(c);
    for (const char* bad :
         {"[router]\nlogintimeout = soon\n[service S]\nprogram = w\n",
          "[router]\nstoptimeout = -1\n[service S]\nprogram = w\n",
          "[router]\nmaxclients = 0\n[service S]\nprogram = w\n", "[router]\nmaxlogins = 0\n[service S]\nprogram = w\n",
          "[router]\ntlscert = c.pem\nkeyfile = k\n[service S]\nprogram = w\n",
          "[router]\ntlscert = c.pem\ntlskey = k.pem\n[service S]\nprogram = w\n"})
        EXPECT_FALSE(isectd::parseConfig(bad, "", c, error)) << bad;
}
