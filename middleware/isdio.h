// ISDIO: the client and worker calls of the isectd message router.
//
// Every message on the wire is a 64-byte header followed by `length` bytes of
// payload.  Clients and workers pass the same header record to every send and
// receive; the fields the programs rely on sit at fixed little-endian offsets:
//
//   offset  width  field
//        0  32     length of the payload in bytes
//        4  32     magic "ISD1" (0x31445349), set by the library
//        8  16     reply-wanted: 1 for a query, 0 for "commit"/"rollback"
//       10  16     always 0
//       12  16     message kind (router-private, see IsdKind)
//       20  16     more flag
//       24 ..63    router-private words (zero for callers)
//
// A client logs in with the service key of its working directory's
// connection file (see Auth.h); a worker proves the key the router gave it.
//
// The library owns the receive buffer: the pointer returned by isdRecv stays
// valid until the next isdRecv on the same handle.  It is always followed by a
// NUL byte, so a request can be read as text.  The library reads from the
// socket in chunks of up to 64 kB and hands the messages out one per isdRecv.
#ifndef PLENWICK_ISDIO_H
#define PLENWICK_ISDIO_H

#include <cstdint>

extern "C" {

struct IsdHeader {
    unsigned char bytes[64];
};

enum IsdKind : uint16_t {
    ISD_DATA = 0,        // a query, a reply block, "commit" or "rollback"
    ISD_LOGIN = 1,       // client -> router: payload is the service name
    ISD_LOGIN_OK = 2,    // router -> client
    ISD_LOGIN_FAIL = 3,  // router -> client: payload is the reason
    ISD_HELLO = 4,       // worker -> router: payload "service\nworker-name"
    ISD_FAIL = 5,        // router -> client: the worker serving the request died
    ISD_SHUTDOWN = 6,    // router -> worker: end now
    ISD_CHALLENGE = 7,   // router -> client or worker: "nonce\nproof"
    ISD_AUTH = 8,        // client or worker -> router: the proof of the key
    ISD_BYE = 9,         // router -> client: the idle connection is closed (payload the reason);
                         // nothing sent after it is run, the library logs in again
};

enum {
    ISD_HEADER_SIZE = 64,
    ISD_MAGIC = 0x31445349,             // "ISD1" in the byte order of the wire
    ISD_MAX_LENGTH = 64 * 1024 * 1024,  // longest payload a peer may announce
    ISD_MAX_LOGIN_LENGTH = 4096,        // longest message before a login has succeeded
    ISD_LOGIN_SECONDS = 30,             // a login not answered by then fails
};

// Header field access (little-endian on every host).
int32_t isdGetLength(const IsdHeader* h);
void isdSetLength(IsdHeader* h, int32_t length);
int16_t isdGetMore(const IsdHeader* h);
void isdSetMore(IsdHeader* h, int16_t more);
uint16_t isdGetReplyWanted(const IsdHeader* h);
void isdSetReplyWanted(IsdHeader* h, uint16_t wanted);
uint16_t isdGetKind(const IsdHeader* h);
void isdSetKind(IsdHeader* h, uint16_t kind);
uint32_t isdGetMagic(const IsdHeader* h);
void isdSetMagic(IsdHeader* h);
// 1 when the magic is right and 0 <= length <= ISD_MAX_LENGTH.
int isdHeaderValid(const IsdHeader* h);

// Why the last call on this thread failed (login refused, connection closed,
// bad message ...); never null.
const char* isdLastError(void);

// Client calls.  `host` is "name" or "name:port" (default port 7100), or
// "tls:name:port" for a router that speaks TLS; `mode` is accepted for
// compatibility and must be 2.  The service key is the value of "ServiceKey"
// in ./Plenwick.ini; without one the client logs in only to a router that
// asks for no key.  Returns a handle or -1 (the reason in isdLastError).
int isdLogin(const char* host, const char* service, int mode);
// The same with the key given (empty or null: none), for programs that keep
// it elsewhere than in ./Plenwick.ini (tests, benchmarks).
int isdLoginWithKey(const char* host, const char* service, const char* key);
// The same, and over TLS the router's certificate must have the given SHA-256
// fingerprint (hexadecimal, colons and case ignored); empty or null: any
// certificate.  isdLogin takes it from "TlsFingerprint" in ./Plenwick.ini.
// A router showing another certificate is left before anything is sent, the
// reason naming the host and both fingerprints.
int isdLoginPinned(const char* host, const char* service, const char* key, const char* fingerprint);
// Sends `length` bytes, or strlen(data) when length is -1, as a data message:
// sets the header's length, magic and kind, then sends header and bytes.
// Returns the number of bytes sent or -1.
int isdSend(int handle, const char* data, int length, IsdHeader* header);
// Receives one block: fills in length and more and returns the bytes, or null
// when the connection failed or the router reported a failed request (the
// header's more flag is then left as it was).
char* isdRecv(int handle, IsdHeader* header);
// After isdRecv returned null: the router's reason when it reported that the
// request failed (its worker ended, the transaction was lost, a time limit
// passed) and the connection is still good; null when the connection itself
// failed.  Cleared by the next isdSend.
const char* isdFailureReason(int handle);
// A query and the word "commit" behind it (its reply not wanted) in one
// write: a read that ends its transaction costs one crossing, and the worker
// commits while the reply travels back.  The query's reply is read with
// isdRecv as after isdSend; a failed query has been rolled back by the
// worker, and the "commit" then ends nothing.  Refused (-1) while replies of
// earlier requests are still to be read.  Returns the bytes of the query.
int isdSendAndCommit(int handle, const char* data, int length, IsdHeader* header);
void isdLogout(int handle);

// Pipelined requests: a client sends several before reading their replies,
// and the router runs them in the order sent.  A piped request's reply is
// read by the library, which hands each one whole, in order, to the
// handle's reply function: `index` counts the piped requests from 0 since
// the last isdPipeWait; `data` is the reply's blocks joined (followed by a
// NUL), or null with `failure` the router's or the connection's reason.
typedef void (*IsdPipeReply)(void* context, int index, const char* data, int length, const char* failure);
void isdSetPipeReply(int handle, IsdPipeReply reply, void* context);
// Sends a request (a reply is wanted) without waiting for it.  When as many
// requests are under way as the router allows (its "inflight" setting,
// told at the login) the oldest piped reply is read first, so neither side
// holds more.  Returns the bytes sent or -1.
int isdSendPiped(int handle, const char* data, int length, IsdHeader* header);
// Reads every outstanding piped reply.  0 when each has been handed out,
// -1 when the connection failed (each one left is handed out with the
// reason).  isdRecv reads the piped replies before its own as well.
int isdPipeWait(int handle);
// Piped requests under way, and how many requests the router lets a
// client have under way.
int isdPipeInFlight(int handle);
int isdPipeLimit(int handle);

// Worker calls.  argv[1..4] are the router's own arguments:
//   argv[1] router endpoint for workers ("host:port")
//   argv[2] service name
//   argv[3] worker name (used in the worker's error messages)
//   argv[4] log directory
// The key to prove comes with the worker's secrets (isdTakeSecrets); without
// one the hello carries no proof.  ISD_LOG_LIMIT ("BYTES KEEP") sets the
// rotation of the worker's log files.  Returns a handle or -1 with errno set.
int isdConnect(int argc, char** argv);
// Reads, once, the secrets the router passes to a worker through the pipe
// whose descriptor ISD_SECRETS_FD names ("NAME=VALUE" lines): the service key
// is kept for isdConnect, every other entry (the database password,
// ISC_PASSWORD) is put into the environment, where the database client
// library finds it but /proc/PID/environ, which shows what the process
// started with, does not.  Without ISD_SECRETS_FD the key is taken from
// ISD_SERVICE_KEY in the environment.  A worker calls it before it attaches
// to the database; isdConnect calls it too.  Returns the entries read, or -1.
int isdTakeSecrets(void);
// isdRecv and isdSend as above; a worker's isdRecv returns null when the
// router ends the worker.  isdSend returns a negative value on failure.
// 1 when something waits to be received on the handle (an isdRecv would
// not block for its start), 0 when nothing does, -1 for a bad handle.  A
// worker busy with long work between requests asks it to answer meanwhile.
int isdPending(int handle);
// As isdPending, waiting up to `milliseconds` for something to come: a
// worker with work of its own for quiet moments waits so between requests.
int isdPendingWait(int handle, int milliseconds);
// 1 when the last null from isdRecv on this handle was the router's orderly
// ISD_SHUTDOWN, 0 when the connection broke (the router died): a worker may
// then roll back instead of committing what a client left open.  Ask before
// isdLogout.
int isdShutdownRequested(int handle);
// A worker's reply block that more blocks will follow: queued and written
// together with the next isdSend on the handle (or once some 64 kB wait),
// so that a long reply costs one write for many blocks.  The receiver sees
// the same messages in the same order.  Returns the length, or -1 when a
// write of the queue failed (the connection is then closed and the next
// isdSend fails too).
int isdSendQueued(int handle, const char* data, int length, IsdHeader* header);
// isdLog writes its records to the log file's buffer; they reach the file
// at isdLogFlush (a worker calls it once a request is answered) or when the
// buffer is full.  isdError writes through at once.
int isdLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
int isdError(const char* format, ...) __attribute__((format(printf, 1, 2)));
void isdLogFlush(void);

}  // extern "C"

#include <string>

// Reads the connection file ("Plenwick.ini"): for each of the keys "Host" and
// "DatabaseService" the value is the text after the first "=" that follows the
// key's first occurrence, up to the next line feed (or the end of the file),
// trimmed of white space.  When the file cannot be read both values are empty
// and the result is false.
bool isdReadConnectionFile(const std::string& path, std::string& host, std::string& service);
// The same reading applied to the file's contents.
void isdParseConnectionText(const std::string& text, std::string& host, std::string& service);
// The value of "ServiceKey" read the same way; empty when the file or the
// key is missing.
std::string isdParseServiceKey(const std::string& text);
std::string isdReadServiceKey(const std::string& path);
// The value of "TlsFingerprint" read the same way; empty when missing.
std::string isdParseTlsFingerprint(const std::string& text);
std::string isdReadTlsFingerprint(const std::string& path);
// The service key isdTakeSecrets found (empty: none).
std::string isdTakenServiceKey();

#endif
