// The router's parts on their own, inside the test process: the log and one
// session on a loopback connection, with no router running.
#include "Log.h"
#include "Session.h"

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
    EXPECT_EQ("select 'a b...", isectd::excerpt("select 'a\nb' from x", 11));
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
