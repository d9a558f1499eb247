// A Prompter for tests: records every prompt and answers from a script.
//
//   RecordingPrompter prompts;                 // installs itself
//   prompts.answers.push_back(true);           // the next question gets Yes
//   ... drive a handler ...
//   EXPECT_EQ(prompts.last().text, "Cannot have empty Unit plan name.");
//
//   prompts.whileAsking = [&] { ... };        // runs while each question is open
//
// Questions without a scripted answer get No (Cancel for Yes/No/Cancel
// questions); file and directory choices
// without a scripted path, and text questions without a scripted text
// (`texts`), are cancelled.
#ifndef PLENWICK_RECORDING_PROMPTER_H
#define PLENWICK_RECORDING_PROMPTER_H

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/Prompter.h"

namespace testsupport {

class RecordingPrompter : public Prompter {
public:
    struct Prompt {
        std::string kind;  // "error", "warning", "information", "question", "choice", "open", "save", "directory",
                           // "text"
        std::string caption;
        std::string text;
        std::vector<std::string> buttons;  // a choice's buttons
    };
    std::vector<Prompt> prompts;
    std::deque<bool> answers;       // for question()
    std::deque<Answer> choices;     // for questionYesNoCancel(); none scripted: Cancel
    std::deque<std::string> paths;  // for openFile(), saveFile(), chooseDirectory()
    std::deque<std::string> picks;  // for choose(): the button's text; none scripted: the last button
    // Run while a question is open, as if someone else acted meanwhile.
    std::function<void()> whileAsking;

    RecordingPrompter() { previous_ = Prompter::install(this); }
    ~RecordingPrompter() override { Prompter::install(previous_ == this ? nullptr : previous_); }

    const Prompt& last() const { return prompts.back(); }
    size_t count(const std::string& kind) const {
        size_t n = 0;
        for (const auto& p : prompts) n += p.kind == kind;
        return n;
    }
    void clear() { prompts.clear(); }

    void error(FX::FXWindow*, const FX::FXString& c, const FX::FXString& t) override { add("error", c, t); }
    void warning(FX::FXWindow*, const FX::FXString& c, const FX::FXString& t) override { add("warning", c, t); }
    void information(FX::FXWindow*, const FX::FXString& c, const FX::FXString& t) override { add("information", c, t); }
    bool question(FX::FXWindow*, const FX::FXString& c, const FX::FXString& t) override {
        add("question", c, t);
        if (whileAsking) whileAsking();
        if (answers.empty()) return false;
        bool a = answers.front();
        answers.pop_front();
        return a;
    }
    Answer questionYesNoCancel(FX::FXWindow*, const FX::FXString& c, const FX::FXString& t) override {
        add("question", c, t);
        if (choices.empty()) return CANCEL;
        Answer a = choices.front();
        choices.pop_front();
        return a;
    }
    FX::FXint choose(FX::FXWindow*, const FX::FXString& c, const FX::FXString& t,
                     const std::vector<FX::FXString>& buttons) override {
        add("choice", c, t);
        for (const FX::FXString& b : buttons) prompts.back().buttons.push_back(b.text());
        if (whileAsking) whileAsking();
        const FX::FXint last = buttons.empty() ? 0 : (FX::FXint)buttons.size() - 1;
        if (picks.empty()) return last;
        const std::string pick = picks.front();
        picks.pop_front();
        for (size_t i = 0; i < buttons.size(); ++i)
            if (pick == buttons[i].text()) return (FX::FXint)i;
        return last;
    }
    bool openFile(FX::FXWindow*, const FX::FXString& c, const FX::FXString&, FX::FXString& path) override {
        return choose("open", c, path);
    }
    bool saveFile(FX::FXWindow*, const FX::FXString& c, const FX::FXString&, FX::FXString& path) override {
        return choose("save", c, path);
    }
    bool chooseDirectory(FX::FXWindow*, const FX::FXString& c, FX::FXString& path) override {
        return choose("directory", c, path);
    }
    // The text offered is recorded; the answer comes from `texts` (none
    // scripted: cancelled).
    std::deque<std::string> texts;
    bool askText(FX::FXWindow*, const FX::FXString& c, const FX::FXString&, FX::FXString& text) override {
        add("text", c, text);
        if (texts.empty()) return false;
        text = texts.front().c_str();
        texts.pop_front();
        return true;
    }

private:
    Prompter* previous_ = nullptr;
    void add(const char* kind, const FX::FXString& c, const FX::FXString& t) {
        prompts.push_back({kind, c.text(), t.text(), {}});
    }
    bool choose(const char* kind, const FX::FXString& c, FX::FXString& path) {
        add(kind, c, path);
        if (paths.empty()) return false;
        path = paths.front().c_str();
        paths.pop_front();
        return true;
    }
};

}  // namespace testsupport

#endif
