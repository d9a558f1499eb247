#include "Session.h"

#include <array>

namespace isectd {

using asio::ip::tcp;

MessagePtr makeMessage(uint16_t kind, const std::string& payload, uint16_t replyWanted) {
    auto m = std::make_shared<Message>();
    m->payload = payload;
    isdSetLength(&m->header, static_cast<int32_t>(payload.size()));
    isdSetMagic(&m->header);
    isdSetKind(&m->header, kind);
    isdSetReplyWanted(&m->header, replyWanted);
    return m;
}

Session::Session(tcp::socket socket) : socket_(std::move(socket)) {
    asio::error_code ec;
    auto ep = socket_.remote_endpoint(ec);
    peer_ = ec ? std::string("?") : ep.address().to_string() + ":" + std::to_string(ep.port());
    socket_.set_option(tcp::no_delay(true), ec);
}

void Session::start(MessageHandler onMessage, CloseHandler onClose) {
    onMessage_ = std::move(onMessage);
    onClose_ = std::move(onClose);
    readHeader();
}

void Session::send(const MessagePtr& m) {
    if (closed_ || closing_) return;
    out_.push_back(m);
    if (!writing_) writeNext();
}

void Session::close() {
    if (closed_) return;
    closed_ = true;
    onMessage_ = nullptr;
    onClose_ = nullptr;
    out_.clear();
    asio::error_code ignored;
    socket_.shutdown(tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
}

void Session::closeAfterSending() {
    closing_ = true;
    onMessage_ = nullptr;
    onClose_ = nullptr;
    if (!writing_) close();
}

void Session::readHeader() {
    auto self = shared_from_this();
    asio::async_read(socket_, asio::buffer(in_.header.bytes, ISD_HEADER_SIZE),
                     [this, self](const asio::error_code& ec, size_t) {
                         if (closed_ || closing_) return;
                         if (ec) {
                             fail(ec == asio::error::eof ? "connection closed" : ec.message());
                             return;
                         }
                         if (!isdHeaderValid(&in_.header)) {
                             fail("bad message header");
                             return;
                         }
                         size_t length = static_cast<size_t>(isdGetLength(&in_.header));
                         in_.payload.assign(length, '\0');
                         if (length == 0) {
                             deliver();
                             return;
                         }
                         asio::async_read(socket_, asio::buffer(&in_.payload[0], length),
                                          [this, self](const asio::error_code& ec2, size_t) {
                                              if (closed_ || closing_) return;
                                              if (ec2) {
                                                  fail("truncated message: " + ec2.message());
                                                  return;
                                              }
                                              deliver();
                                          });
                     });
}

void Session::deliver() {
    auto m = std::make_shared<Message>(std::move(in_));
    in_ = Message();
    auto self = shared_from_this();
    MessageHandler handler = onMessage_;  // the handler may close this session
    if (handler) handler(m);
    if (!closed_ && !closing_) readHeader();
}

void Session::fail(const std::string& reason) {
    CloseHandler handler = std::move(onClose_);
    close();
    if (handler) handler(reason);
}

void Session::writeNext() {
    if (out_.empty()) {
        writing_ = false;
        if (closing_) close();
        return;
    }
    writing_ = true;
    MessagePtr m = out_.front();
    std::array<asio::const_buffer, 2> buffers{asio::buffer(m->header.bytes, ISD_HEADER_SIZE),
                                              asio::buffer(m->payload)};
    auto self = shared_from_this();
    asio::async_write(socket_, buffers, [this, self, m](const asio::error_code& ec, size_t) {
        if (closed_) return;
        if (ec) {
            writing_ = false;
            if (closing_) close();
            else fail("send failed: " + ec.message());
            return;
        }
        out_.pop_front();
        writeNext();
    });
}

}  // namespace isectd
