// A Prompter for benchmarks: prompts are counted and their texts written
// to the standard error stream, never shown.
#ifndef PLENWICK_SILENT_PROMPTER_H
#define PLENWICK_SILENT_PROMPTER_H

#include <cstdio>

#include "ui/Prompter.h"

namespace testsupport {

class SilentPrompter : public FXPrompter {
public:
    int count = 0;
    void error(FX::FXWindow*, const FX::FXString&, const FX::FXString& t) override {
        ++count;
        fprintf(stderr, "error: %s\n", t.text());
    }
    void warning(FX::FXWindow*, const FX::FXString&, const FX::FXString& t) override {
        ++count;
        fprintf(stderr, "warning: %s\n", t.text());
    }
    void information(FX::FXWindow*, const FX::FXString&, const FX::FXString&) override { ++count; }
    // A benchmark goes on with what it asked for.
    FX::FXint choose(FX::FXWindow*, const FX::FXString&, const FX::FXString&,
                     const std::vector<FX::FXString>&) override {
        ++count;
        return 0;
    }
};

}  // namespace testsupport

#endif
