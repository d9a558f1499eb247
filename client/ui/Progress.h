// The progress window of a long operation (an attachment upload, a transfer
// import, an export), with a Cancel button.
//
// Windows never create an FXProgressDialog themselves; they open a
// ProgressWindow, which goes through the installed Progress.  The program
// uses FXProgress (the real FOX dialog); tests install a recorder that keeps
// every step and cancels at the step they choose (tests/support).
//
//   ProgressWindow progress(this, "Import Binary File Progress", "Writing file to database.", total);
//   for (...) {
//       progress->advance(999);
//       if (progress->cancelled()) { ... roll back; return; }
//       ... one statement ...
//   }
//   // the window closes when `progress` goes out of scope
#ifndef PLENWICK_PROGRESS_H
#define PLENWICK_PROGRESS_H

#include <fx.h>

class Progress {
public:
    virtual ~Progress() {}

    // Shows the window over `owner`: title, message and the total amount.
    virtual void open(FX::FXWindow* owner, const FX::FXString& title, const FX::FXString& message,
                      FX::FXuint total) = 0;
    virtual void setMessage(const FX::FXString& message) = 0;
    virtual void setTotal(FX::FXuint total) = 0;
    // Moves the bar on by `amount`.
    virtual void advance(FX::FXuint amount) = 0;
    // Lets pending events run, so that the window repaints and its Cancel
    // button can be pressed; true once it has been pressed.  Only the
    // progress window takes input meanwhile.
    virtual bool cancelled() = 0;
    virtual void close() = 0;

    // The installed progress (an FXProgress until something else is installed).
    static Progress& get();
    // Installs `p` (not owned) and returns the previous one; null restores the default.
    static Progress* install(Progress* p);
};

// The real progress window: FOX's FXProgressDialog with a Cancel button,
// centred over its owner.  Events are let run at most every 40 ms, so that a
// loop of thousands of short steps is not slowed down by repainting while
// Cancel still answers at once.
class FXProgress : public Progress {
public:
    ~FXProgress() override;
    void open(FX::FXWindow* owner, const FX::FXString& title, const FX::FXString& message, FX::FXuint total) override;
    void setMessage(const FX::FXString& message) override;
    void setTotal(FX::FXuint total) override;
    void advance(FX::FXuint amount) override;
    bool cancelled() override;
    void close() override;
    // The dialog while it is open (null otherwise).
    FX::FXProgressDialog* dialog() const { return dialog_; }

private:
    FX::FXProgressDialog* dialog_ = nullptr;
    FX::FXlong lastEvents_ = 0;  // nanoseconds
    void runEvents();
};

// Opens the installed Progress for the life of the object.
class ProgressWindow {
public:
    ProgressWindow(FX::FXWindow* owner, const FX::FXString& title, const FX::FXString& message, FX::FXuint total)
        : progress_(Progress::get()) {
        progress_.open(owner, title, message, total);
    }
    ~ProgressWindow() { progress_.close(); }
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;
    Progress* operator->() { return &progress_; }
    Progress& operator*() { return progress_; }

private:
    Progress& progress_;
};

#endif
