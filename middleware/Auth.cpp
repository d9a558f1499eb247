#include "Auth.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>
#include <openssl/ssl.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>

namespace isdauth {

namespace {

std::string hex(const unsigned char* data, size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

}  // namespace

std::string nonce() {
    unsigned char bytes[32];
    if (RAND_bytes(bytes, sizeof bytes) != 1) return std::string();
    return hex(bytes, sizeof bytes);
}

std::string proof(const std::string& key, const std::string& role, const std::string& service,
                  const std::string& ownNonce, const std::string& otherNonce, const std::string& binding) {
    std::string message = "isectd " + role + "\n" + service + "\n" + ownNonce + "\n" + otherNonce + "\n" + binding;
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
              reinterpret_cast<const unsigned char*>(message.data()), message.size(), mac, &length))
        return std::string();
    return hex(mac, length);
}

bool sameProof(const std::string& a, const std::string& b) {
    return !a.empty() && a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

bool readKeyFile(const std::string& path, std::string& key, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read the key file " + path + ": " + strerror(errno);
        return false;
    }
    std::string line;
    std::getline(in, line);
    const char* space = " \t\r\n";
    size_t first = line.find_first_not_of(space);
    size_t last = line.find_last_not_of(space);
    key = first == std::string::npos ? std::string() : line.substr(first, last - first + 1);
    if (key.empty()) {
        error = "the key file " + path + " is empty";
        return false;
    }
    return true;
}

std::string tlsBinding(ssl_st* session, const char* failed) {
    unsigned char out[32];
    static const char label[] = "EXPORTER-isectd-login";
    if (SSL_export_keying_material(session, out, sizeof out, label, sizeof label - 1, nullptr, 0, 0) != 1)
        return failed;
    return hex(out, sizeof out);
}

bool isNonce(const std::string& text) {
    if (text.size() != 64) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

namespace {
// "AB:CD:..." of a certificate's SHA-256 digest.
std::string fingerprintOf(X509* cert) {
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    if (!cert || X509_digest(cert, EVP_sha256(), md, &n) != 1) return std::string();
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned int i = 0; i < n; ++i) {
        if (i) out += ':';
        out += hex[md[i] >> 4];
        out += hex[md[i] & 15];
    }
    return out;
}
}  // namespace

std::string peerFingerprint(ssl_st* ssl) {
    X509* cert = SSL_get1_peer_certificate(ssl);
    std::string out = fingerprintOf(cert);
    X509_free(cert);
    return out;
}

// Upper-case hexadecimal digits only, so that "ab:cd" and "ABCD" compare equal.
std::string normalisedFingerprint(const std::string& text) {
    std::string out;
    for (char ch : text)
        if (isxdigit(static_cast<unsigned char>(ch))) out += static_cast<char>(toupper(static_cast<unsigned char>(ch)));
    return out;
}

std::string displayedFingerprint(const std::string& digits) {
    std::string out;
    for (size_t i = 0; i < digits.size(); i += 2) {
        if (i) out += ':';
        out += digits.substr(i, 2);
    }
    return out;
}

}  // namespace isdauth
