// The service key and the challenge-response of a login, with OpenSSL's
// libcrypto: HMAC-SHA256 over both sides' nonces, so the key itself never
// crosses the wire.
//
// Login of a client (a worker's hello goes the same way with the roles
// "worker" and "router-to-worker"):
//
//   client -> router  ISD_LOGIN      "SERVICE" + "\n" + client nonce
//   router -> client  ISD_CHALLENGE  router nonce + "\n" + router proof
//   client -> router  ISD_AUTH       client proof
//   router -> client  ISD_LOGIN_OK, or ISD_LOGIN_FAIL with the reason
//
// proof(role) = HMAC(key, "isectd " + role + "\n" + service + "\n" + the
// nonce of the side that proves + "\n" + the other nonce + "\n" + binding),
// where binding is keying material exported from the TLS session (empty on a
// plain connection): a proof made for one TLS session is worth nothing in
// another, so a man in the middle cannot relay it.
#ifndef PLENWICK_ISD_AUTH_H
#define PLENWICK_ISD_AUTH_H

#include <string>

struct ssl_st;

namespace isdauth {

// 32 random bytes as 64 hex digits; empty when the random generator fails.
std::string nonce();

std::string proof(const std::string& key, const std::string& role, const std::string& service,
                  const std::string& ownNonce, const std::string& otherNonce, const std::string& binding);

// Compares in constant time.
bool sameProof(const std::string& a, const std::string& b);

// The key in a key file: its first line, trimmed.  False when unreadable or
// empty.
bool readKeyFile(const std::string& path, std::string& key, std::string& error);

// The binding of a TLS session: 32 bytes of keying material exported from
// it (both ends compute the same) as 64 hex digits; `failed` when OpenSSL
// cannot export them, so that each end can pick a text the other never
// makes.
std::string tlsBinding(ssl_st* session, const char* failed);

// SHA-256 fingerprints of certificates as "AB:CD:..." (as `openssl x509
// -fingerprint -sha256` prints them) of the TLS peer; empty when it showed
// none.
std::string peerFingerprint(ssl_st* session);
// Hexadecimal digits only, in capitals, so that "ab:cd" and "ABCD" compare
// equal; and back to pairs with colons.
std::string normalisedFingerprint(const std::string& text);
std::string displayedFingerprint(const std::string& digits);

// A nonce as sent: 64 hex digits.
bool isNonce(const std::string& text);

}  // namespace isdauth

#endif
