// The fields of the 64-byte message header, little-endian at fixed offsets.
#include "isdio.h"

namespace {

void put16(IsdHeader* h, int at, uint16_t v) {
    h->bytes[at] = static_cast<unsigned char>(v & 0xff);
    h->bytes[at + 1] = static_cast<unsigned char>(v >> 8);
}

uint16_t get16(const IsdHeader* h, int at) { return static_cast<uint16_t>(h->bytes[at] | (h->bytes[at + 1] << 8)); }

void put32(IsdHeader* h, int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) h->bytes[at + i] = static_cast<unsigned char>((v >> (8 * i)) & 0xff);
}

uint32_t get32(const IsdHeader* h, int at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | h->bytes[at + i];
    return v;
}

enum { kLengthAt = 0, kMagicAt = 4, kReplyWantedAt = 8, kKindAt = 12, kMoreAt = 20 };

}  // namespace

extern "C" {

int32_t isdGetLength(const IsdHeader* h) { return static_cast<int32_t>(get32(h, kLengthAt)); }
void isdSetLength(IsdHeader* h, int32_t length) { put32(h, kLengthAt, static_cast<uint32_t>(length)); }
int16_t isdGetMore(const IsdHeader* h) { return static_cast<int16_t>(get16(h, kMoreAt)); }
void isdSetMore(IsdHeader* h, int16_t more) { put16(h, kMoreAt, static_cast<uint16_t>(more)); }
uint16_t isdGetReplyWanted(const IsdHeader* h) { return get16(h, kReplyWantedAt); }
void isdSetReplyWanted(IsdHeader* h, uint16_t wanted) { put16(h, kReplyWantedAt, wanted); }
uint16_t isdGetKind(const IsdHeader* h) { return get16(h, kKindAt); }
void isdSetKind(IsdHeader* h, uint16_t kind) { put16(h, kKindAt, kind); }
uint32_t isdGetMagic(const IsdHeader* h) { return get32(h, kMagicAt); }
void isdSetMagic(IsdHeader* h) { put32(h, kMagicAt, ISD_MAGIC); }

int isdHeaderValid(const IsdHeader* h) {
    int32_t length = isdGetLength(h);
    return isdGetMagic(h) == ISD_MAGIC && length >= 0 && length <= ISD_MAX_LENGTH;
}

}  // extern "C"
