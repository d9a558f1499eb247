// One connection of the router, to a client or to a worker, carrying whole
// ISDIO messages (a 64-byte header and its payload).
//
// A bad header or a read or write failure closes the session and calls its
// close handler once with the reason; a close asked for by the router calls
// no handler.  Messages are delivered in the order they arrive; messages to
// send are queued and written in order.
#ifndef ISECTD_SESSION_H
#define ISECTD_SESSION_H

#include "isdio.h"

#include <asio.hpp>

#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace isectd {

struct Message {
    IsdHeader header{};
    std::string payload;
};
using MessagePtr = std::shared_ptr<const Message>;

// A message of the given kind with its header filled in.
MessagePtr makeMessage(uint16_t kind, const std::string& payload, uint16_t replyWanted = 0);

class Session : public std::enable_shared_from_this<Session> {
public:
    using MessageHandler = std::function<void(const MessagePtr&)>;
    using CloseHandler = std::function<void(const std::string&)>;

    explicit Session(asio::ip::tcp::socket socket);

    void start(MessageHandler onMessage, CloseHandler onClose);
    void send(const MessagePtr& m);
    void close();
    // Sends what is queued, then closes; nothing more is read or delivered.
    void closeAfterSending();

    const std::string& peer() const { return peer_; }

private:
    void readHeader();
    void deliver();
    void fail(const std::string& reason);
    void writeNext();

    asio::ip::tcp::socket socket_;
    std::string peer_;
    Message in_;
    std::deque<MessagePtr> out_;
    bool writing_ = false, closed_ = false, closing_ = false;
    MessageHandler onMessage_;
    CloseHandler onClose_;
};

using SessionPtr = std::shared_ptr<Session>;

}  // namespace isectd

#endif
