#include "Worker.h"

#include "ValueText.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vantry {

namespace {

constexpr unsigned short kDialect = SQL_DIALECT_V6;

// Transaction parameters: Firebird's defaults (read-write, snapshot,
// waiting for a row another transaction holds), but waiting at most
// kLockTimeoutSeconds: then the statement fails with Firebird's lock
// time-out error, the client tells the user someone else is changing that
// row, and a teacher's open change can never hold another one up for good.
constexpr char kLockTimeoutSeconds = 5;
const char kTransactionParameters[] = {isc_tpb_version3,
                                       isc_tpb_write,
                                       isc_tpb_concurrency,
                                       isc_tpb_wait,
                                       isc_tpb_lock_timeout,
                                       4,
                                       kLockTimeoutSeconds,
                                       0,
                                       0,
                                       0};

const char kRowTooLarge[] = "Vantry - Result row is larger than the 160000-byte row buffer.\n";
const char kTransactionStatement[] = "Vantry - A transaction is ended only by the requests commit and rollback.\n";

bool identifierChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
}

bool startsWithPrefix(const char* at, const char* prefix) {
    for (; *prefix; ++at, ++prefix)
        if (*at == '\0' || std::toupper(static_cast<unsigned char>(*at)) != *prefix) return false;
    return true;
}

void appendItem(std::vector<char>& dpb, char item, const std::string& value) {
    dpb.push_back(item);
    dpb.push_back(static_cast<char>(value.size()));
    dpb.insert(dpb.end(), value.begin(), value.end());
}

void printStatus(const ISC_STATUS* status) {
    std::fflush(stdout);
    isc_print_status(status);
    std::fflush(stdout);
    std::fflush(stderr);
}

}  // namespace

const char kNotAllowed[] =
    "Vantry - This is not allowed here: the planning service reads and changes the school's plans, but does not "
    "change how the database is built, its users or their rights, nor read its monitoring or security records. "
    "The school's administrator does such work on the server.\n";

bool namesGuardedTable(const char* sql) {
    for (const char* at = sql; *at; ++at) {
        if (*at == '\'') {
            // A quoted text ends at the next apostrophe that is not doubled.
            for (++at; *at && !(*at == '\'' && at[1] != '\''); ++at)
                if (at[0] == '\'' && at[1] == '\'') ++at;
            if (!*at) return false;
            continue;
        }
        if (at > sql && identifierChar(at[-1])) continue;
        if (startsWithPrefix(at, "MON$") || startsWithPrefix(at, "SEC$")) return true;
    }
    return false;
}

bool isPrivilegeRefusal(const ISC_STATUS* status) {
    static const ISC_STATUS refusals[] = {isc_no_priv,
                                          isc_grant_nopriv,
                                          isc_grant_nopriv_on_base,
                                          isc_no_write_user_priv,
                                          isc_adm_task_denied,
                                          isc_insufficient_svc_privileges,
                                          isc_dyn_no_priv,
                                          isc_dsql_cant_grant_option,
                                          isc_dyn_no_grant_admin_opt};
    for (const ISC_STATUS* item = status; *item != isc_arg_end;) {
        const ISC_STATUS kind = item[0];
        if (kind == isc_arg_gds)
            for (ISC_STATUS code : refusals)
                if (item[1] == code) return true;
        // Every argument is a kind and one value, but for the interpreted
        // texts that carry a length first.
        item += kind == isc_arg_cstring ? 3 : 2;
    }
    return false;
}

bool buildDpb(const ConnectParams& params, std::vector<char>& dpb) {
    dpb.clear();
    dpb.push_back(isc_dpb_version1);
    const std::pair<char, const std::string*> items[] = {
        {isc_dpb_user_name, &params.user},
        {isc_dpb_password, &params.password},
        {isc_dpb_lc_ctype, &params.charset},
        {isc_dpb_sql_role_name, &params.role},
    };
    for (const auto& item : items) {
        if (item.second->size() > 255) return false;
        if (!item.second->empty()) appendItem(dpb, item.first, *item.second);
    }
    return true;
}

Worker::Worker(Transport& transport, std::string workerName)
    : transport_(transport), workerName_(std::move(workerName)), row_(kRowBufferSize) {
    // A full block is sent without a check: once the router connection is
    // gone every later send fails too, so the final block of the reply
    // reports the failure once instead of once per block.
    output_.setSender([this](const char* data, int length) { transport_.send(data, length, 1); });
}

Worker::~Worker() {
    // An orderly end goes through finish(); this only releases what is left,
    // without committing anything.
    ISC_STATUS status[20];
    freeArea();
    if (transaction_) isc_rollback_transaction(status, &transaction_);
    if (statement_) isc_dsql_free_statement(status, &statement_, DSQL_drop);
    if (database_) isc_detach_database(status, &database_);
}

bool Worker::attach(const ConnectParams& params) {
    std::vector<char> dpb;
    if (!buildDpb(params, dpb)) {
        std::printf("Could not open database %s\n", params.database.c_str());
        std::printf("Vantry - A user name, password, character set or role is longer than 255 bytes.\n");
        std::fflush(stdout);
        return false;
    }
    if (isc_attach_database(status_, 0, params.database.c_str(), &database_, static_cast<short>(dpb.size()),
                            dpb.data())) {
        std::printf("Could not open database %s\n", params.database.c_str());
        printStatus(status_);
        database_ = 0;
        return false;
    }
    return true;
}

bool Worker::allocate() {
    if (!ensureColumns(kInitialColumns) || isc_dsql_allocate_statement(status_, &database_, &statement_)) {
        freeArea();
        printStatus(status_);
        return false;
    }
    return true;
}

bool Worker::ensureColumns(int count) {
    if (area_ && area_->sqln >= count) return true;
    auto* grown = static_cast<XSQLDA*>(std::realloc(area_, XSQLDA_LENGTH(count)));
    if (!grown) return false;
    area_ = grown;
    area_->version = SQLDA_VERSION1;
    area_->sqln = static_cast<ISC_SHORT>(count);
    return true;
}

void Worker::freeArea() {
    std::free(area_);
    area_ = nullptr;
}

void Worker::log(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(&text[0], text.size() + 1, format, args);
    va_end(args);
    transport_.log(text.c_str());
}

void Worker::sendBlock(const char* data, int length, int more) {
    if (transport_.send(data, length, more) < 0) {
        std::string message = workerName_ + ": isdSend() reply\n";
        transport_.error(message.c_str());
    }
}

Worker::Outcome Worker::serve(const char* request, int length, int more) {
    Outcome outcome = answer(request, length, more);
    // The log records of the request are written once it is answered, not
    // one by one on the way.
    transport_.requestDone();
    return outcome;
}

Worker::Outcome Worker::answer(const char* request, int length, int more) {
    log("msgBufferIn = %s, length = %d, more = %d\n", request, length, more);
    output_.clear();

    if (length <= 0) {
        sendBlock("", 0, 0);
        return Outcome::Served;
    }

    if (std::strncmp(request, "commit", 6) == 0) {
        log("Committing - OK\n");
        if (transaction_ && isc_commit_transaction(status_, &transaction_)) {
            printStatus(status_);
            return Outcome::Fatal;
        }
        sendBlock(request, length, 0);
        return Outcome::Served;
    }

    if (std::strncmp(request, "rollback", 8) == 0) {
        log("Rolling back - Zope error\n");
        if (transaction_ && isc_rollback_transaction(status_, &transaction_)) {
            printStatus(status_);
            return Outcome::Fatal;
        }
        sendBlock(request, length, 0);
        return Outcome::Served;
    }

    int finalMore = more != 0 ? -1 : 0;
    if (execute(request) != 0) {
        log("Rolling back - SQL error\n");
        if (transaction_ && isc_rollback_transaction(status_, &transaction_)) {
            printStatus(status_);
            return Outcome::Fatal;
        }
        finalMore = 0;
    }

    const char* text = output_.data();
    int fill = output_.fill();
    sendBlock(text, fill, finalMore);
    log("final msgBufferOut = %s, length = %d, more = %d\n", text, fill, finalMore);
    return Outcome::Served;
}

int Worker::statementType() {
    ISC_STATUS status[20];
    const char item = isc_info_sql_stmt_type;
    char answer[20] = {};
    if (isc_dsql_sql_info(status, &statement_, 1, &item, sizeof answer, answer)) return 0;
    if (answer[0] != item) return 0;
    int length = static_cast<int>(isc_vax_integer(answer + 1, 2));
    if (length < 0 || length > static_cast<int>(sizeof answer) - 3) return 0;
    return static_cast<int>(isc_vax_integer(answer + 3, static_cast<short>(length)));
}

int Worker::formatError(const char* origin, const ISC_STATUS* status) {
    if (limited_ && isPrivilegeRefusal(status)) {
        output_.write(kNotAllowed);
        log("formatError origin = %s (refused for want of a privilege)\n", origin);
        return -1;
    }
    const ISC_STATUS* vector = status;
    char line[2048];
    while (fb_interpret(line, sizeof line, &vector) > 0) {
        output_.write(line);
        output_.write("\n");
    }
    log("formatError origin = %s\n", origin);
    return -1;
}

int Worker::execute(const char* sql) {
    if (limited_ && namesGuardedTable(sql)) {
        output_.write(kNotAllowed);
        log("formatError origin = %s\n", "monitoring or security table");
        return -1;
    }

    if (!transaction_ &&
        isc_start_transaction(status_, &transaction_, 1, &database_,
                              static_cast<unsigned short>(sizeof kTransactionParameters), kTransactionParameters)) {
        transaction_ = 0;
        printStatus(status_);
        return 1;
    }

    if (isc_dsql_prepare(status_, &transaction_, &statement_, 0, sql, kDialect, area_))
        return formatError("isc_dsql_prepare", status_);

    int type = statementType();

    // COMMIT and ROLLBACK as SQL would end the transaction behind the
    // worker's back; only the request words do that.
    if (type == isc_info_sql_stmt_commit || type == isc_info_sql_stmt_rollback) {
        output_.write(kTransactionStatement);
        log("formatError origin = %s\n", "isc_dsql_execute 1");
        return -1;
    }

    // The database refuses most of these to a user who owns nothing; a
    // limited worker refuses them all, the same way, before they run.
    if (limited_ && type == isc_info_sql_stmt_ddl) {
        output_.write(kNotAllowed);
        log("formatError origin = %s\n", "data definition");
        return -1;
    }

    if (area_->sqld == 0) {
        if (isc_dsql_execute(status_, &transaction_, &statement_, kDialect, nullptr))
            return formatError("isc_dsql_execute 1", status_);
        if (transaction_ && type == isc_info_sql_stmt_ddl) {
            std::printf("\tCommitting...\n");
            std::fflush(stdout);
            if (isc_commit_transaction(status_, &transaction_)) return formatError("isc_commit_transaction", status_);
        }
        output_.write("[[],[]]");
        return 0;
    }

    if (area_->sqld > area_->sqln) {
        if (!ensureColumns(area_->sqld)) {
            output_.write("Vantry - Out of memory for the column descriptors.\n");
            log("formatError origin = %s\n", "isc_dsql_describe");
            return -1;
        }
        if (isc_dsql_describe(status_, &statement_, kDialect, area_)) return formatError("isc_dsql_describe", status_);
    }

    // Refused before anything runs: the reply is the error line alone.
    if (layoutRow(area_, row_.data(), row_.size()) == 0) {
        output_.write(kRowTooLarge);
        log("formatError origin = %s\n", "row buffer");
        return -1;
    }

    // EXECUTE PROCEDURE and INSERT ... RETURNING deliver their one row from
    // the execute call itself; they open no cursor.
    const bool singleton = type == isc_info_sql_stmt_exec_procedure;
    if (singleton ? isc_dsql_execute2(status_, &transaction_, &statement_, kDialect, nullptr, area_)
                  : isc_dsql_execute(status_, &transaction_, &statement_, kDialect, nullptr))
        return formatError("isc_dsql_execute 2", status_);

    output_.write("[[");
    writeDescriptors(output_, area_);
    output_.write("],\n[");

    auto writeRow = [this] {
        output_.write("[");
        for (int i = 0; i < area_->sqld; ++i) {
            if (i > 0) output_.write(",");
            writeValue(output_, area_->sqlvar[i]);
        }
        output_.write("]");
    };

    if (singleton) {
        writeRow();
        output_.write("]]\n");
        return 0;
    }

    // The fetch keeps its own status vector: closing the cursor must not
    // wipe out the reason why the fetch stopped.
    ISC_STATUS fetchStatus[20] = {};
    ISC_STATUS fetch;
    long rows = 0;
    while ((fetch = isc_dsql_fetch(fetchStatus, &statement_, kDialect, area_)) == 0) {
        if (rows++ > 0) output_.write(",\n");
        writeRow();
    }
    output_.write("]]\n");

    if (isc_dsql_free_statement(status_, &statement_, DSQL_close))
        return formatError("isc_dsql_free_statement", status_);
    if (fetch != 100) return formatError("fetch_stat", fetchStatus);
    return 0;
}

int Worker::finish(bool commitOpen) {
    freeArea();
    if (transaction_ && (commitOpen ? isc_commit_transaction(status_, &transaction_)
                                    : isc_rollback_transaction(status_, &transaction_))) {
        printStatus(status_);
        return 1;
    }
    if (statement_) {
        ISC_STATUS status[20];
        isc_dsql_free_statement(status, &statement_, DSQL_drop);
        statement_ = 0;
    }
    if (database_ && isc_detach_database(status_, &database_)) {
        printStatus(status_);
        return 1;
    }
    database_ = 0;
    return 0;
}

}  // namespace vantry
