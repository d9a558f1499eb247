#include "router/Session.h"

#include "Auth.h"
#include "router/Log.h"

#include <openssl/ssl.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace isectd {

using asio::ip::tcp;

namespace {

size_t wireSize(const MessagePtr& m) { return ISD_HEADER_SIZE + m->payload.size(); }

}  // namespace

Session::Session(tcp::socket socket) : socket_(std::move(socket)), writeTimer_(socket_.get_executor()) {
    asio::error_code ec;
    auto ep = socket_.remote_endpoint(ec);
    peer_ = ec ? std::string("?") : ep.address().to_string() + ":" + std::to_string(ep.port());
    socket_.set_option(tcp::no_delay(true), ec);
}

Session::Session(tcp::socket socket, asio::ssl::context& tls) : Session(std::move(socket)) {
    tls_ = std::make_unique<asio::ssl::stream<tcp::socket&>>(socket_, tls);
}

void Session::start(MessageHandler onMessage, CloseHandler onClose) {
    onMessage_ = std::move(onMessage);
    onClose_ = std::move(onClose);
    if (!tls_) {
        readSome();
        return;
    }
    auto self = shared_from_this();
    tls_->async_handshake(asio::ssl::stream_base::server, [this, self](const asio::error_code& ec) {
        if (closed_ || closing_) return;
        if (ec) {
            fail("TLS handshake failed: " + ec.message());
            return;
        }
        readSome();
    });
}

std::string Session::channelBinding() const {
    if (!tls_) return std::string();
    return isdauth::tlsBinding(tls_->native_handle(), "!");  // "!" matches no client's binding
}

void Session::send(const MessagePtr& m) {
    if (closed_ || closing_) return;
    out_.push_back(m);
    queuedBytes_ += wireSize(m);
    if (!writing_) writeNext();
}

void Session::setDrainHandler(size_t lowMark, std::function<void()> handler) {
    lowMark_ = lowMark;
    onDrain_ = std::move(handler);
}

void Session::close() {
    if (closed_) return;
    closed_ = true;
    onMessage_ = nullptr;
    onClose_ = nullptr;
    onDrain_ = nullptr;
    out_.clear();
    queuedBytes_ = 0;
    in_ = Message();
    writeTimer_.cancel();
    asio::error_code ignored;
    socket_.shutdown(tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
}

void Session::closeAfterSending() {
    if (closed_ || closing_) return;
    closing_ = true;
    onMessage_ = nullptr;
    onClose_ = nullptr;
    onDrain_ = nullptr;
    in_ = Message();
    if (!writing_) finishClosing();
}

// The last message must reach the peer even if it has sent more meanwhile:
// closing with unread input would reset the connection and could destroy
// the message.  So the sending half is shut and input is read and thrown
// away until the peer closes, for a few seconds at most.
void Session::finishClosing() {
    if (closed_) return;
    asio::error_code ignored;
    socket_.shutdown(tcp::socket::shutdown_send, ignored);
    auto self = shared_from_this();
    writeTimer_.expires_after(std::chrono::seconds(5));
    writeTimer_.async_wait([this, self](const asio::error_code& ec) {
        if (!ec) close();
    });
    discarding_ = true;
    if (!reading_) discardInput();
}

void Session::discardInput() {
    if (closed_) return;
    auto self = shared_from_this();
    reading_ = true;
    auto handler = [this, self](const asio::error_code& ec, size_t) {
        reading_ = false;
        if (closed_) return;
        if (ec)
            close();
        else
            discardInput();
    };
    if (tls_)
        tls_->async_read_some(asio::buffer(chunk_), handler);
    else
        socket_.async_read_some(asio::buffer(chunk_), handler);
}

void Session::readSome() {
    if (closed_ || reading_ || paused_) return;
    if (closing_) {
        if (discarding_) discardInput();
        return;
    }
    auto self = shared_from_this();
    reading_ = true;
    auto handler = [this, self](const asio::error_code& ec, size_t n) {
        reading_ = false;
        if (closed_) return;
        if (closing_) {
            if (discarding_) {
                if (ec)
                    close();
                else
                    discardInput();
            }
            return;
        }
        if (ec) {
            if (inPayload_ || headerFill_ > 0)
                fail("truncated message: " + ec.message());
            else
                fail(ec == asio::error::eof || ec == asio::ssl::error::stream_truncated ? "connection closed"
                                                                                        : ec.message());
            return;
        }
        chunkAt_ = 0;
        chunkEnd_ = n;
        consume();
    };
    if (tls_)
        tls_->async_read_some(asio::buffer(chunk_), handler);
    else
        socket_.async_read_some(asio::buffer(chunk_), handler);
}

// Turns the bytes of the current chunk into messages.
void Session::consume() {
    if (consuming_) return;  // a handler resumed reading from inside a delivery
    consuming_ = true;
    auto self = shared_from_this();
    while (!closed_ && !closing_ && !paused_ && chunkAt_ < chunkEnd_) {
        size_t available = chunkEnd_ - chunkAt_;
        if (!inPayload_) {
            size_t take = std::min(available, static_cast<size_t>(ISD_HEADER_SIZE) - headerFill_);
            memcpy(in_.header.bytes + headerFill_, chunk_.data() + chunkAt_, take);
            headerFill_ += take;
            chunkAt_ += take;
            if (headerFill_ < ISD_HEADER_SIZE) break;
            if (!isdHeaderValid(&in_.header)) {
                fail("bad message header");
                break;
            }
            size_t length = static_cast<size_t>(isdGetLength(&in_.header));
            if (length > maxLength_) {
                fail("message of " + std::to_string(length) + " bytes is longer than the " +
                     std::to_string(maxLength_) + " allowed here");
                break;
            }
            payloadLeft_ = length;
            inPayload_ = true;
            in_.payload.clear();
        }
        size_t take = std::min(chunkEnd_ - chunkAt_, payloadLeft_);
        in_.payload.append(chunk_.data() + chunkAt_, take);
        chunkAt_ += take;
        payloadLeft_ -= take;
        if (payloadLeft_ == 0) deliver();
    }
    consuming_ = false;
    if (!closed_ && !closing_ && !paused_ && chunkAt_ >= chunkEnd_) readSome();
}

void Session::deliver() {
    auto m = std::make_shared<Message>(std::move(in_));
    in_ = Message();
    headerFill_ = 0;
    inPayload_ = false;
    MessageHandler handler = onMessage_;  // the handler may close this session
    if (handler) handler(m);
}

void Session::resumeReading() {
    if (!paused_) return;
    paused_ = false;
    if (closed_ || closing_) return;
    if (chunkAt_ < chunkEnd_)
        consume();
    else
        readSome();
}

void Session::fail(const std::string& reason) {
    CloseHandler handler = std::move(onClose_);
    close();
    if (handler) handler(reason);
}

// A write that makes no progress for the write timeout fails the session:
// the time counts from the last write that went through (or from the start
// of writing), so a peer that stops reading is dropped that long after it
// stopped.  The timer is set once and looks at the progress when it fires,
// then waits for what is left, so that a busy session costs no timer call
// per write.
void Session::armWriteTimer(std::chrono::steady_clock::time_point due) {
    writeTimerArmed_ = true;
    auto self = shared_from_this();
    writeTimer_.expires_at(due);
    writeTimer_.async_wait([this, self](const asio::error_code& ec) {
        writeTimerArmed_ = false;
        if (ec || closed_ || discarding_) return;
        if (!writing_) return;
        auto stalledUntil = lastProgress_ + writeTimeout_;
        if (std::chrono::steady_clock::now() < stalledUntil) {
            armWriteTimer(stalledUntil);
            return;
        }
        if (closing_)
            close();
        else
            fail("the peer read nothing for " + std::to_string(writeTimeout_.count() / 1000.0).substr(0, 4) + " s");
    });
}

void Session::writeNext() {
    if (out_.empty() || closed_) {
        writing_ = false;
        if (closing_) finishClosing();
        return;
    }
    if (!writing_) lastProgress_ = std::chrono::steady_clock::now();
    writing_ = true;
    // Several queued messages go out in one write.
    std::vector<asio::const_buffer> buffers;
    std::vector<MessagePtr> held;
    size_t bytes = 0;
    for (const auto& m : out_) {
        if (!held.empty() && (bytes + wireSize(m) > 65536 || held.size() >= 64)) break;
        buffers.push_back(asio::buffer(m->header.bytes, ISD_HEADER_SIZE));
        if (!m->payload.empty()) buffers.push_back(asio::buffer(m->payload));
        held.push_back(m);
        bytes += wireSize(m);
    }
    writingCount_ = held.size();
    auto self = shared_from_this();
    if (writeTimeout_.count() > 0 && !writeTimerArmed_) armWriteTimer(lastProgress_ + writeTimeout_);
    auto handler = [this, self, held, bytes](const asio::error_code& ec, size_t) {
        if (closed_) return;
        lastProgress_ = std::chrono::steady_clock::now();
        if (ec) {
            writing_ = false;
            if (closing_)
                close();
            else
                fail("send failed: " + ec.message());
            return;
        }
        for (size_t i = 0; i < writingCount_ && !out_.empty(); ++i) out_.pop_front();
        queuedBytes_ -= std::min(queuedBytes_, bytes);
        writeNext();
        if (onDrain_ && queuedBytes_ <= lowMark_) {
            auto drained = onDrain_;  // it may change or close this session
            drained();
        }
    };
    if (tls_)
        asio::async_write(*tls_, buffers, handler);
    else
        asio::async_write(socket_, buffers, handler);
}

bool listenOn(tcp::acceptor& acceptor, const tcp::endpoint& endpoint, const char* what, Log& log) {
    asio::error_code e;
    acceptor.open(endpoint.protocol(), e);
    if (!e) acceptor.set_option(tcp::acceptor::reuse_address(true), e);
    if (!e) acceptor.bind(endpoint, e);
    if (!e) acceptor.listen(asio::socket_base::max_listen_connections, e);
    if (!e) return true;
    log.write("cannot listen for %s on %s:%u: %s", what, endpoint.address().to_string().c_str(), endpoint.port(),
              e.message().c_str());
    fprintf(stderr, "isectd: cannot listen for %s on %s:%u: %s\n", what, endpoint.address().to_string().c_str(),
            endpoint.port(), e.message().c_str());
    return false;
}

}  // namespace isectd
