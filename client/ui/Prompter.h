// The one road for every modal prompt of the client: error, warning and
// information boxes, Yes/No questions, and file and directory choices.
//
// Windows never call FXMessageBox or FXFileDialog directly; they call
// Prompter::get().  The program installs FXPrompter, which shows the real FOX
// dialogs; tests install a recorder that keeps every message and answers from
// a script.
#ifndef PLENWICK_PROMPTER_H
#define PLENWICK_PROMPTER_H

#include <fx.h>

#include <vector>

class Prompter {
public:
    virtual ~Prompter() {}

    // Modal box with one OK button ("Database Error", "CalendarWindow::drawPlan - ...").
    virtual void error(FX::FXWindow* owner, const FX::FXString& caption, const FX::FXString& text) = 0;
    // Connection and file problems: information icon, OK.
    virtual void warning(FX::FXWindow* owner, const FX::FXString& caption, const FX::FXString& text) = 0;
    // Plain information, OK.
    virtual void information(FX::FXWindow* owner, const FX::FXString& caption, const FX::FXString& text) = 0;
    // Yes/No question; true only for Yes.
    virtual bool question(FX::FXWindow* owner, const FX::FXString& caption, const FX::FXString& text) = 0;
    // Yes/No/Cancel question.
    enum Answer { YES, NO, CANCEL };
    virtual Answer questionYesNoCancel(FX::FXWindow* owner, const FX::FXString& caption, const FX::FXString& text) = 0;
    // A question answered by buttons of its own ("Reload", "Overwrite",
    // "Cancel"): the index of the button pressed.  Closing the box counts as
    // the last button, which should therefore be the one that changes
    // nothing.
    virtual FX::FXint choose(FX::FXWindow* owner, const FX::FXString& caption, const FX::FXString& text,
                             const std::vector<FX::FXString>& buttons) = 0;
    // File and directory choices: false when cancelled, else `path` holds the choice.
    // `patterns` uses FOX's pattern list syntax ("Transfer files (*.dat)\nAll files (*)").
    virtual bool openFile(FX::FXWindow* owner, const FX::FXString& caption, const FX::FXString& patterns,
                          FX::FXString& path) = 0;
    virtual bool saveFile(FX::FXWindow* owner, const FX::FXString& caption, const FX::FXString& patterns,
                          FX::FXString& path) = 0;
    virtual bool chooseDirectory(FX::FXWindow* owner, const FX::FXString& caption, FX::FXString& path) = 0;
    // One line of text, `text` offered and replaced by what was typed; false
    // when cancelled.
    virtual bool askText(FX::FXWindow* owner, const FX::FXString& caption, const FX::FXString& label,
                         FX::FXString& text) = 0;

    // The installed prompter (an FXPrompter until something else is installed).
    static Prompter& get();
    // Installs `p` (not owned) and returns the previous one; null restores the default.
    static Prompter* install(Prompter* p);
};

// The real prompts: FOX message boxes and file dialogs.  The warning box is
// also written to the standard error stream, at most 1024 bytes.
class FXPrompter : public Prompter {
public:
    void error(FX::FXWindow* owner, const FX::FXString& caption, const FX::FXString& text) override;
    void warning(FX::FXWindow* owner, const FX::FXString& caption, const FX::FXString& text) override;
    void information(FX::FXWindow* owner, const FX::FXString& caption, const FX::FXString& text) override;
    bool question(FX::FXWindow* owner, const FX::FXString& caption, const FX::FXString& text) override;
    Answer questionYesNoCancel(FX::FXWindow* owner, const FX::FXString& caption, const FX::FXString& text) override;
    FX::FXint choose(FX::FXWindow* owner, const FX::FXString& caption, const FX::FXString& text,
                     const std::vector<FX::FXString>& buttons) override;
    bool openFile(FX::FXWindow* owner, const FX::FXString& caption, const FX::FXString& patterns,
                  FX::FXString& path) override;
    bool saveFile(FX::FXWindow* owner, const FX::FXString& caption, const FX::FXString& patterns,
                  FX::FXString& path) override;
    bool chooseDirectory(FX::FXWindow* owner, const FX::FXString& caption, FX::FXString& path) override;
    bool askText(FX::FXWindow* owner, const FX::FXString& caption, const FX::FXString& label,
                 FX::FXString& text) override;
};

#endif
