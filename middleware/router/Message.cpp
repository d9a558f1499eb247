#include "router/Message.h"

namespace isectd {

MessagePtr makeMessage(uint16_t kind, const std::string& payload, uint16_t replyWanted) {
    auto m = std::make_shared<Message>();
    m->payload = payload;
    isdSetLength(&m->header, static_cast<int32_t>(payload.size()));
    isdSetMagic(&m->header);
    isdSetKind(&m->header, kind);
    isdSetReplyWanted(&m->header, replyWanted);
    return m;
}

}  // namespace isectd
