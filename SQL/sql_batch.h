// The multi-row INSERT statements of one table, for the live server and the dump alike: the
// statement head, the row groups with their record numbers, the size past which a statement
// is finished, and the hand-over of a finished statement to its sink. A row that throws
// while it is written leaves the statement as it was; a statement the sink refuses is sent
// again row by row, and only the rows that fail on their own are reported.
//
// Given a sender, a finished statement goes on the sender's thread while the next one is
// written; the statement before, with its row-by-row retry, is done and its refusal raised
// before the next goes, so refusals come in the order of the rows. Nothing else may use the
// sink's connection while a statement is out: settle first.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sql {
class statement_sender;
}

// Where finished statements go: the dump file, or the server.
class sql_statement_sink {
public:
    virtual ~sql_statement_sink() = default;
    // One statement (UTF-8, without its ';'). A statement the server refuses raises
    // sql_exception; any other failure raises what it raises.
    virtual void send_statement(const std::string& statement) = 0;
};

class sql_insert_batcher {
public:
    // batch_bytes: a statement is finished once it grows past this size. max_statement: the
    // largest statement the sink takes (0: no limit); a row that alone would make a larger
    // one raises the server's packet error, and statements are finished before they pass it.
    sql_insert_batcher(sql_statement_sink& sink, size_t batch_bytes, size_t max_statement = 0,
                       sql::statement_sender* sender = nullptr);
    sql_insert_batcher(const sql_insert_batcher&) = delete;
    sql_insert_batcher& operator=(const sql_insert_batcher&) = delete;

    // "INSERT INTO `T`(`A`, `B`) VALUES": the head of the rows appended from now on. No rows
    // may be pending (a statement carries one column list: flush first).
    void set_head(std::string head);
    const std::string& head() const { return head_; }

    // Appends the row that write(out) appends to the statement ("(1, 'x')"), under the
    // record number given. A throw from write, or a row too large for the sink, leaves the
    // statement as it was and passes on. A row that would take the statement past its size
    // opens the next one, and the statement before it goes to the sink; a refused statement
    // raises udb_record_exception naming the rows that fail alone (the others arrive), or
    // sql_exception when the cause is the table's.
    template <class Write>
    void append(int number, Write&& write) {
        const size_t before = open_row();
        try {
            write(current_.text);
            check_fits(head_.size() + current_.text.size() - row_offset_);
        } catch (...) {
            undo_row(before);
            throw;
        }
        close_row(before, number);
    }

    // The head, a blank and the row alone, sent at once (no batch): the sink's refusal
    // passes on as it is.
    template <class Write>
    void send_alone(Write&& write) {
        settle();
        single_.assign(head_);
        single_ += ' ';
        write(single_);
        check_fits(single_.size());
        sink_.send_statement(single_);
    }

    // Sends the pending rows, and waits for them with a sender.
    void flush();
    // Waits for the statement out on the sender, if any, raising its refusal as a finished
    // statement's refusal raises. After a refusal that ends the table nothing more is sent.
    void settle();
    // The same, a refusal only logged: for a table closing on another error.
    void settle_quietly() noexcept;

    // Raises the server's packet error for a statement the sink could not take.
    void check_fits(size_t statement_bytes) const;

    size_t pending_rows() const { return current_.rows.size(); }
    size_t pending_bytes() const { return current_.text.size(); }

private:
    struct pending_row {
        size_t offset;  // into the statement text
        size_t length;
        int number;
    };
    struct statement {
        std::string text;
        std::vector<pending_row> rows;
    };

    // Begins a row (the head for the first, a separator for others); returns the size to
    // go back to.
    size_t open_row();
    void undo_row(size_t before);
    void close_row(size_t before, int number);
    // The statement size past which a statement is finished.
    size_t limit() const;
    // Takes the pending statement out (the next starts empty) and sends it.
    void send_current();
    // Sends a statement taken out; its storage is kept for the next one.
    void send_taken(statement& s);
    // The statement, or row by row (in single) when it is refused.
    void send(const statement& s, std::string& single);
    // Keeps the storage of a statement done with for the next one.
    void recycle(statement& s);

    sql_statement_sink& sink_;
    const size_t batch_bytes_;
    const size_t max_statement_;
    std::string head_;
    statement current_;
    size_t row_offset_ = 0;                // where the row being written begins
    std::string spare_;                    // a sent statement's storage, for the next one
    std::vector<pending_row> spare_rows_;  // and its list of rows
    std::string single_;                   // the statement of send_alone and of the row-by-row retry
    sql::statement_sender* sender_;
    statement out_;           // the statement on the sender
    std::string out_single_;  // its row-by-row retry
    bool ended_ = false;      // a refusal ended the table: nothing more is sent
};
