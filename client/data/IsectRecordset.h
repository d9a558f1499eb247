// IsectRecordset: the client's only road to the database.
//
// A window builds SQL text, calls OpenRecordset and reads the result by
// column name or ordinal:
//
//   IsectRecordset rs;
//   rs.OpenRecordset("Select Id, Teacher from Teachers Order By Id");
//   for (rs.MoveFirst(); !rs.eof(); rs.MoveNext()) use(rs.GetField("Teacher"));
//
// The statement goes through the middleware (ISDIO) to the database service
// named in the connection file "Plenwick.ini" of the working directory; the
// reply (result text, see ResultParser.h) is parsed into `fieldDefs` (one row
// per column: name, type letter, nullable flag, width) and `rows` (one row per
// result row).  Values are kept as received: quoted values without quotes and
// with escapes decoded, numbers with their leading spaces, NULL as "None".
//
// Transactions: with inTransaction 0 every OpenRecordset is followed by
// "commit".  A commit after a statement that may have changed data waits
// for its answer, so a change that was not saved is told at once (see
// CommitTrans); a read goes out with its commit behind it in one write,
// without a reply for the commit.  Several
// statements run in one transaction under a guard:
//
//   IsectRecordset::Transaction transaction(rs);   // inTransaction = 1
//   rs.OpenRecordset("Update ...");
//   rs.OpenRecordset("Update ...");
//   transaction.commit();                           // "commit"
//
// Leaving the scope without commit() (an exception, an early return) sends
// "rollback".  A database error inside has already rolled back.
//
// Many write statements whose results nobody reads (the chunks of an
// attachment) go out as a Batch inside a Transaction, without waiting for
// each reply; the replies are read as the router's limit of requests under
// way is reached and at Wait():
//
//   IsectRecordset::Transaction transaction(rs);
//   IsectRecordset::Batch batch(rs);
//   for (...) batch.Add("Execute Procedure ...");   // throws once one has failed
//   batch.Wait();                                  // throws the first failure
//   transaction.commit();
//
// A failure is thrown as OpenRecordset throws it for that statement, and
// the transaction is rolled back; a statement (OpenRecordset) or a commit
// on the connection waits for the open batch first, so nothing is committed
// behind a failed statement.
//
// Several queries whose texts do not depend on one another's results (the
// teacher, the first unit and the term of a week's drawing) go out together
// as Reads and are read back in the order sent, each into its own
// recordset, which then holds its result as after OpenRecordset:
//
//   IsectRecordset teacher, term;
//   IsectRecordset::Reads reads;
//   reads.Add(teacher, "Select ...");
//   reads.Add(term, "Select ...");
//   if (!reads.Run()) return;        // the connection was lost
//
// Run waits once for all the replies instead of once for each.  Without a
// Transaction one "commit" follows the last reply.  When one of them fails,
// every reply is read first, then "rollback" is sent and the first failure
// thrown as OpenRecordset throws it; the recordsets after it are left empty.
//
// All recordsets share one connection, and so one transaction: while a
// Transaction is open, statements of other recordsets (a window repainting
// while an upload lets events run) and Transactions begun meanwhile are part
// of it; only the first Transaction commits or rolls back.  When such a
// statement fails, or the connection is lost, the database has rolled
// everything back: the owner's next statement and its commit() then throw
// instead of carrying on in a new transaction.
//
// Failures: a database error sends "rollback" and throws DatabaseError
// (FXTextException.h) with the worker's error text; a request the router
// reports as failed (the worker holding the transaction ended, a time limit
// passed) throws FXException with the router's text, which says that nothing
// of the transaction was saved.  An unknown column throws from FieldOrdinal.
// A lost connection throws nothing and shows nothing: OpenRecordset returns
// false and keeps the previous result, the loss is counted
// (LostConnections, and a listener hears of it), and the next statement logs
// in afresh.  The window whose command ran the statement tells the user
// (ui/Failures.h).
#ifndef PLENWICK_ISECTRECORDSET_H
#define PLENWICK_ISECTRECORDSET_H

#include <fx.h>

#include "data/Dates.h"
#include "data/FXStringRecordset.h"

#include <vector>

struct TextBlock;

struct FieldDef {
    FX::FXint ordinal = -1;
    FX::FXString name;
    FX::FXString type;  // "s", "i", "n", "d" or "?"
};

class IsectRecordset {
public:
    FX::FXString sqlText;         // the SQL of the last OpenRecordset
    FX::FXString loadedText;      // the text given to OpenFromText (its blocks stay empty)
    FX::FXint fieldCount = 0;     // result columns
    FX::FXlong recordCount = 0;   // result rows
    FXStringRecordset blocks;     // the reply blocks as received, one field each
    FXStringRecordset fieldDefs;  // name, type letter, nullable, width per column
    FXStringRecordset rows;       // one text field per column
    FX::FXString fromTable;       // table written by WriteRecordset
    FX::FXString whereClause;     // optional condition for WriteRecordset (" Where ...")
    FX::FXint inTransaction = 0;  // 0: commit after every statement

    IsectRecordset() {}
    IsectRecordset(const IsectRecordset&) = delete;
    IsectRecordset& operator=(const IsectRecordset&) = delete;

    // Sends sql, receives and parses the reply.  Returns false (a lost
    // connection, counted) when the middleware could not be reached; throws
    // on a database error.
    FX::FXbool OpenRecordset(const FX::FXString& sql);
    // Parses result text that did not come from the network (a transfer file).
    void OpenFromText(const FX::FXString& text);
    // The reply exactly as received (all blocks joined).
    FX::FXString GetText();

    // The value of a column of the current row, by name (any case) or by
    // ordinal written as digits; DATE, TIME and TIMESTAMP columns are shown
    // through DisplayDate (Dates.h).
    FX::FXString GetField(const FX::FXString& nameOrOrdinal);
    FX::FXString GetField(FX::FXint ordinal);
    FieldDef FieldOrdinal(const FX::FXString& nameOrOrdinal);

    // "commit": after a statement that may have changed data (WritesData)
    // it waits for the answer and throws when the change was not saved, in
    // the router's words, or when the connection broke meanwhile ("may not
    // have been saved"); after reads only it goes out without a reply.
    void CommitTrans();
    void RollbackTrans();
    // Whether a statement may change data: anything but a SELECT, and a
    // SELECT from a procedure ("Select * from MakeUnitPlan(...)").
    static FX::FXbool WritesData(const FX::FXString& sql);

    // One transaction of several statements on this recordset (see the top
    // of this file).  The destructor rolls back what is still open and
    // never throws.
    class Transaction {
    public:
        explicit Transaction(IsectRecordset& rs);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        void commit();
        void rollback();
        // False once committed or rolled back, here or by an error reply.
        bool open() const { return !ended_ && rs_.inTransaction != 0; }

    private:
        IsectRecordset& rs_;
        bool ended_ = false;
    };

    // Write statements sent without waiting for each reply (see the top of
    // this file).  The destructor reads what is still under way and never
    // throws.
    class Batch {
    public:
        explicit Batch(IsectRecordset& rs);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        // Sends the statement.  Returns false when the connection was lost
        // (counted as by OpenRecordset); throws the first failure seen so far.
        FX::FXbool Add(const FX::FXString& sql);
        // Reads every reply; false when the connection was lost, throws the
        // first failure.
        FX::FXbool Wait();
        FX::FXint Sent() const { return sent_; }
        // The statement (counted from 0) that failed first, or -1.
        FX::FXint FirstFailed() const { return firstFailed_; }

    private:
        static void reply(void* self, int index, const char* data, int length, const char* failure);
        void drain();
        FX::FXbool settle();
        IsectRecordset& rs_;
        FX::FXint sent_ = 0, answered_ = 0, firstFailed_ = -1;
        FX::FXString failure_;
        bool routerFailure_ = false, lost_ = false, thrown_ = false;
    };

    // Queries sent together and read back in order (see the top of this
    // file).
    class Reads {
    public:
        Reads() {}
        Reads(const Reads&) = delete;
        Reads& operator=(const Reads&) = delete;
        // Queues a query for `rs`; nothing is sent before Run.
        void Add(IsectRecordset& rs, const FX::FXString& sql);
        // Sends every query queued and reads their replies.  False when the
        // connection was lost (counted as by OpenRecordset); throws the
        // first failure.  The queue is empty afterwards.
        FX::FXbool Run();

    private:
        struct Entry {
            IsectRecordset* rs;
            FX::FXString sql, failure;  // failure: the router's reason
        };
        static void reply(void* self, int index, const char* data, int length, const char* failure);
        std::vector<Entry> entries_;
        size_t answered_ = 0;
    };

    // Cursor of `rows`.
    void MoveFirst() { rows.MoveFirst(); }
    void MoveLast() { rows.MoveLast(); }
    void MoveNext() { rows.MoveNext(); }
    void MovePrevious() { rows.MovePrevious(); }
    FX::FXbool bof() const { return rows.bof != 0; }
    FX::FXbool eof() const { return rows.eof != 0; }

    // ---- write statements (the date operations are in Dates.h)
    // For SQL string literals: \ becomes \134, ' becomes \047, , becomes \054.
    static FX::FXString EscapeText(const FX::FXString& text);
    static FX::FXbool IsDigits(const FX::FXString& text);

    // SetField on column `name` of the first row whose field 0 equals key
    // (both trimmed); nothing when no row matches.
    void SetFieldByKey(const FX::FXString& key, const FX::FXString& name, const FX::FXString& value);
    // Writes the changed fields of `rows` to `fromTable` (UPDATE for fields
    // flagged 1, INSERT for rows flagged 2), commits, and reads sqlText again.
    // Throws on database errors; returns false when the connection failed.
    FX::FXbool WriteRecordset();

    // Logs out of the middleware; the next statement logs in again.
    static void Disconnect();
    // Logs in now unless logged in already; false when the service could
    // not be reached or refused the log-in (nothing is shown).
    static FX::FXbool Connect();
    static FX::FXbool Connected();
    // The last failed log-in in words for the user: the host and service
    // tried (or the missing connection file) and the reason.
    static FX::FXString ConnectionProblem();
    // Lost connections since the program started: statements that could not
    // reach the middleware and a "commit" that could not be sent.  A window
    // compares the count before and after a command.
    static FX::FXuint LostConnections();
    // The words of the warning for the last lost connection
    // ("IsectRecordset::OpenRecordset - Network connection failed.").
    static FX::FXString LostConnectionText();
    // `listener` (null: none) is called after each lost connection has been
    // counted, before the statement returns; the client's failure telling
    // (ui/Failures.h) listens.
    static void SetLostConnectionListener(void (*listener)());

private:
    void resetResult();
    void parseBlocks();
    void parseParts(const std::vector<TextBlock>& parts);
    // The received blocks as the result, or the error they hold thrown
    // (after "rollback" while the transaction is `open`).
    void takeReply(bool open = true);
    // False when the request failed: with `failure` set when the router
    // reported why (the connection stays), else the connection was lost.
    // `withCommit`: the "commit" goes out behind the statement.
    FX::FXbool sendAndReceive(const FX::FXString& sql, FX::FXString& failure, bool withCommit = false);
    static FX::FXbool sendWord(const char* word);
    static FX::FXbool waitForBatch();
    static void commitAndWait();
};

// The same helpers as free functions.
inline FX::FXString EscapeText(const FX::FXString& text) { return IsectRecordset::EscapeText(text); }
inline FX::FXbool IsDigits(const FX::FXString& text) { return IsectRecordset::IsDigits(text); }

#endif
