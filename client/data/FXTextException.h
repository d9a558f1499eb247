// An FXException that owns its message.
//
// FXException keeps only a pointer to its text, which is fine for string
// literals but not for texts built at run time (the worker's error lines).
// This one keeps the text alive in a shared buffer, so copies of the
// exception (and catch blocks taking FXException&) always see a valid what().
#ifndef PLENWICK_FXTEXTEXCEPTION_H
#define PLENWICK_FXTEXTEXCEPTION_H

#include <fx.h>

#include <memory>
#include <string>

class FXTextException : public FX::FXException {
public:
    explicit FXTextException(const FX::FXString& text)
        : FXTextException(std::make_shared<std::string>(text.text(), (size_t)text.length())) {}
    explicit FXTextException(const char* text) : FXTextException(std::make_shared<std::string>(text)) {}

private:
    explicit FXTextException(std::shared_ptr<std::string> buffer)
        : FX::FXException(buffer->c_str()), buffer_(std::move(buffer)) {}
    std::shared_ptr<std::string> buffer_;
};

// The database's own words for a statement it refused: the worker's error
// lines, as received (trimmed).  Windows tell them in plain words
// (DatabaseMessages.h); everything else the client throws is its own
// sentence.
class DatabaseError : public FXTextException {
public:
    explicit DatabaseError(const FX::FXString& text) : FXTextException(text) {}
};

#endif
