// A Progress for tests: records what the progress window would have shown
// and cancels at a chosen step.
//
//   RecordingProgress progress;            // installs itself
//   progress.cancelAtStep = 3;             // Cancel is pressed after the third advance
//   progress.onStep = [&](size_t step) { if (step == 2) remove(file); };
//   ... drive a handler ...
//   EXPECT_EQ(progress.opens[0].title, "Import Binary File Progress");
//
// A step is one advance(); cancelled() answers true from the step numbered
// cancelAtStep on (0: never).
#ifndef PLENWICK_RECORDING_PROGRESS_H
#define PLENWICK_RECORDING_PROGRESS_H

#include <functional>
#include <string>
#include <vector>

#include "ui/Progress.h"

namespace testsupport {

class RecordingProgress : public Progress {
public:
    struct Open {
        std::string title, message;
        FX::FXuint total;
    };
    std::vector<Open> opens;
    std::vector<std::string> messages;  // every message, the opening ones included
    std::vector<FX::FXuint> advances;   // the amount of each step
    std::vector<FX::FXuint> totals;     // every total set, the opening ones included
    size_t cancelAtStep = 0;
    size_t cancelQuestions = 0;  // calls of cancelled()
    size_t closes = 0;
    bool isOpen = false;
    std::function<void(size_t step)> onStep;  // after each advance, with its number from 1

    RecordingProgress() { previous_ = Progress::install(this); }
    ~RecordingProgress() override { Progress::install(previous_ == this ? nullptr : previous_); }

    size_t steps() const { return advances.size(); }
    FX::FXulong advanced() const {
        FX::FXulong sum = 0;
        for (FX::FXuint a : advances) sum += a;
        return sum;
    }

    void open(FX::FXWindow*, const FX::FXString& title, const FX::FXString& message, FX::FXuint total) override {
        opens.push_back({title.text(), message.text(), total});
        messages.push_back(message.text());
        totals.push_back(total);
        isOpen = true;
    }
    void setMessage(const FX::FXString& message) override { messages.push_back(message.text()); }
    void setTotal(FX::FXuint total) override { totals.push_back(total); }
    void advance(FX::FXuint amount) override {
        advances.push_back(amount);
        if (onStep) onStep(advances.size());
    }
    bool cancelled() override {
        ++cancelQuestions;
        return cancelAtStep != 0 && advances.size() >= cancelAtStep;
    }
    void close() override {
        if (isOpen) ++closes;
        isOpen = false;
    }

private:
    Progress* previous_ = nullptr;
};

}  // namespace testsupport

#endif
