// One ISDIO message as the router holds it: the 64-byte header and its
// payload.  Messages are shared, never changed once made: the block a worker
// sends is the block its client receives.
#ifndef ISECTD_MESSAGE_H
#define ISECTD_MESSAGE_H

#include "isdio.h"

#include <cstdint>
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

}  // namespace isectd

#endif
