#include "support/IsdClient.h"

#include "isdio.h"

#include <stdexcept>

namespace testsupport {

IsdClient::IsdClient(const std::string& host, const std::string& service) {
    handle_ = isdLogin(host.c_str(), service.c_str(), 2);
}

IsdClient::IsdClient(const std::string& host, const std::string& service, const std::string& key) {
    handle_ = isdLoginWithKey(host.c_str(), service.c_str(), key.c_str());
}

IsdClient::~IsdClient() { logout(); }

void IsdClient::logout() {
    if (handle_ >= 0) isdLogout(handle_);
    handle_ = -1;
}

bool IsdClient::send(const std::string& sql, int more) {
    IsdHeader h{};
    isdSetReplyWanted(&h, 1);
    isdSetMore(&h, static_cast<int16_t>(more));
    return isdSend(handle_, sql.c_str(), -1, &h) >= 0;
}

bool IsdClient::receive(std::vector<Block>& blocks) {
    blocks.clear();
    IsdHeader h{};
    do {
        isdSetMore(&h, -999);
        char* block = isdRecv(handle_, &h);
        if (!block || isdGetMore(&h) == -999) return false;
        blocks.push_back({std::string(block, static_cast<size_t>(isdGetLength(&h))), isdGetMore(&h)});
    } while (blocks.back().more > 0);
    return true;
}

bool IsdClient::receive(std::string& reply, std::vector<int>* blockSizes, std::vector<int>* mores) {
    reply.clear();
    std::vector<Block> blocks;
    bool ok = receive(blocks);
    for (const auto& b : blocks) {
        reply += b.data;
        if (blockSizes) blockSizes->push_back(static_cast<int>(b.data.size()));
        if (mores) mores->push_back(b.more);
    }
    return ok;
}

std::string IsdClient::query(const std::string& sql) {
    std::string reply;
    if (!send(sql) || !receive(reply)) return "FAILED";
    return reply;
}

bool IsdClient::word(const std::string& text) {
    IsdHeader h{};
    return isdSend(handle_, text.c_str(), -1, &h) >= 0;
}

std::string joined(const std::vector<Block>& blocks) {
    std::string all;
    for (const auto& b : blocks) all += b.data;
    return all;
}

CheckedClient::CheckedClient(const std::string& host, const std::string& service) : IsdClient(host, service) {
    if (!ok()) throw std::runtime_error(std::string("isdLogin failed: ") + isdLastError());
}

CheckedClient::CheckedClient(const std::string& host, const std::string& service, const std::string& key)
    : IsdClient(host, service, key) {
    if (!ok()) throw std::runtime_error(std::string("isdLogin failed: ") + isdLastError());
}

std::vector<Block> CheckedClient::query(const std::string& sql, int more) {
    if (!send(sql, more)) throw std::runtime_error("isdSend failed");
    std::vector<Block> blocks;
    if (!receive(blocks)) throw std::runtime_error(std::string("isdRecv failed: ") + isdLastError());
    return blocks;
}

std::vector<Block> CheckedClient::queryAndCommit(const std::string& sql) {
    IsdHeader h{};
    isdSetMore(&h, 1);
    if (isdSendAndCommit(handle(), sql.c_str(), -1, &h) < 0)
        throw std::runtime_error(std::string("isdSendAndCommit failed: ") + isdLastError());
    std::vector<Block> blocks;
    if (!receive(blocks)) throw std::runtime_error(std::string("isdRecv failed: ") + isdLastError());
    return blocks;
}

std::string CheckedClient::text(const std::string& sql, int more) { return joined(query(sql, more)); }

void CheckedClient::must(const std::string& sql) {
    std::vector<Block> blocks = query(sql);
    const std::string& last = blocks.back().data;
    if (last.find('[') == std::string::npos && last.find(']') == std::string::npos)
        throw std::runtime_error("failed: " + sql + "\n" + last);
}

void CheckedClient::word(const std::string& text) {
    if (!IsdClient::word(text)) throw std::runtime_error("isdSend failed");
}

}  // namespace testsupport
