// One connection of the router, to a client or to a worker, carrying whole
// ISDIO messages (a 64-byte header and its payload), optionally inside TLS.
//
// Reading: bytes are read as they come, in chunks of 64 kB; a payload grows
// with the bytes received, never with the length its header announces.  A
// header announcing more than the session's maximum length, a bad header, or
// a read or write failure closes the session and calls its close handler
// once with the reason; a close asked for by the router calls no handler.
// Messages are delivered in the order they arrive.  Reading can be paused
// (the router does so while the client a worker answers reads too slowly);
// what was read stays buffered until it is resumed.
//
// Writing: messages are queued and written in order; queuedBytes() says how
// much waits, and a drain handler is called when that falls to its low
// mark.  A write that makes no progress within the write timeout (counted
// from the last write that went through) fails the session.
//
// States: (TLS handshake) -> open -> closing (closeAfterSending: the queue is
// written, the sending half shut, input discarded for a few seconds) ->
// closed.
#ifndef ISECTD_SESSION_H
#define ISECTD_SESSION_H

#include "isdio.h"
#include "router/Message.h"

#include <asio.hpp>
#include <asio/ssl.hpp>

#include <array>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace isectd {

class Session : public std::enable_shared_from_this<Session> {
public:
    using MessageHandler = std::function<void(const MessagePtr&)>;
    using CloseHandler = std::function<void(const std::string&)>;

    explicit Session(asio::ip::tcp::socket socket);
    // The server's side of TLS on the socket; the handshake runs at start().
    Session(asio::ip::tcp::socket socket, asio::ssl::context& tls);

    void start(MessageHandler onMessage, CloseHandler onClose);
    void send(const MessagePtr& m);
    void close();
    // Sends what is queued, then closes; nothing more is read or delivered.
    void closeAfterSending();

    void setMaxLength(size_t length) { maxLength_ = length; }
    void setWriteTimeout(std::chrono::milliseconds timeout) { writeTimeout_ = timeout; }
    void pauseReading() { paused_ = true; }
    void resumeReading();
    bool paused() const { return paused_; }
    size_t queuedBytes() const { return queuedBytes_; }
    void setDrainHandler(size_t lowMark, std::function<void()> handler);

    const std::string& peer() const { return peer_; }
    bool open() const { return !closed_ && !closing_; }
    // Keying material of the TLS session (see Auth.h); empty without TLS.
    std::string channelBinding() const;

private:
    void readSome();
    void consume();
    void deliver();
    void fail(const std::string& reason);
    void writeNext();
    void finishClosing();
    void discardInput();

    asio::ip::tcp::socket socket_;
    std::unique_ptr<asio::ssl::stream<asio::ip::tcp::socket&>> tls_;
    std::string peer_;

    std::array<char, 65536> chunk_;
    size_t chunkAt_ = 0, chunkEnd_ = 0;
    size_t headerFill_ = 0;
    size_t payloadLeft_ = 0;
    bool inPayload_ = false;
    Message in_;
    size_t maxLength_ = ISD_MAX_LENGTH;
    bool paused_ = false, reading_ = false, consuming_ = false;

    std::deque<MessagePtr> out_;
    size_t writingCount_ = 0;
    size_t queuedBytes_ = 0;
    size_t lowMark_ = 0;
    std::function<void()> onDrain_;
    std::chrono::milliseconds writeTimeout_{0};
    asio::steady_timer writeTimer_;
    bool writeTimerArmed_ = false;
    std::chrono::steady_clock::time_point lastProgress_;  // the last write that went through
    void armWriteTimer(std::chrono::steady_clock::time_point due);
    bool writing_ = false, closed_ = false, closing_ = false, discarding_ = false;
    MessageHandler onMessage_;
    CloseHandler onClose_;
};

using SessionPtr = std::shared_ptr<Session>;

class Log;

// Opens, binds and listens; a failure is logged and printed with `what`
// ("clients", "workers") and gives false.
bool listenOn(asio::ip::tcp::acceptor& acceptor, const asio::ip::tcp::endpoint& endpoint, const char* what, Log& log);

}  // namespace isectd

#endif
