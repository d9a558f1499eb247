// Another Plenwick at work on the same service: a program of its own (its
// own connection to the middleware) that opens the plan editor on a lesson,
// types into the lesson tabs as the teacher does and presses Edit, then
// prints every prompt it met, one "kind|caption|text" line each (line feeds
// in texts written as \n).
//
//   cd WORKDIR && HOME=DIR planedit_second_client LESSON TEACHER SYNDICATE "Essential Skills:=New text" ...
//
// The tests of two teachers at work at once run it beside their own editor.
#include <fx.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "data/AppState.h"
#include "data/IsectRecordset.h"
#include "planedit/EditorDriver.h"
#include "planedit/UnitPlanDialog.h"
#include "support/RecordingPrompter.h"
#include "ui/AppResources.h"

using namespace FX;

namespace {

std::string oneLine(const std::string& s) {
    std::string out;
    for (char c : s) out += c == '\n' ? std::string("\\n") : std::string(1, c);
    return out;
}

// A label of the lesson tabs, on the tab that holds it.
planedit::Tab tabOf(const std::string& label) {
    if (label == "Introduction:" || label == "Development:" || label == "Closure:") return planedit::DETAIL;
    if (label == "Assessment:" || label == "Resources:" || label == "Reflection:") return planedit::EVALUATION;
    return planedit::OBJECTIVE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: planedit_second_client LESSON TEACHER SYNDICATE [LABEL=TEXT]...\n");
        return 2;
    }
    const int lesson = atoi(argv[1]);
    FXApp app("Plenwick", "Brellmoor");
    createResources(&app);
    int fxArgc = 1;
    app.init(fxArgc, argv);
    app.create();
    createCursors(&app);
    appState = AppState();
    appState.americanDate = 0;
    appState.currentUserId = FXStringFormat("%11d", atoi(argv[2]));
    appState.currentSyndicate = FXStringFormat("%11d", atoi(argv[3]));

    testsupport::RecordingPrompter prompts;
    UnitPlanDialog* dialog = new UnitPlanDialog(&app, 0, 0);
    app.removeTimeout(dialog, UnitPlanDialog::ID_SELECTQUERY);
    app.removeTimeout(dialog, UnitPlanDialog::ID_PRESELECT);
    dialog->create();
    int status = 0;
    if (!dialog->selectQuery() || !dialog->showLesson(lesson) || dialog->currentLesson() != lesson) {
        status = 1;
    } else {
        planedit::EditorDriver editor;
        editor.dialog = dialog;
        for (int i = 4; i < argc; ++i) {
            const std::string arg = argv[i];
            const size_t eq = arg.find('=');
            if (eq == std::string::npos) continue;
            const std::string label = arg.substr(0, eq);
            editor.type(tabOf(label), label, arg.substr(eq + 1));
        }
        editor.press(planedit::OBJECTIVE, "Edit");
    }
    for (const auto& p : prompts.prompts)
        printf("%s|%s|%s\n", p.kind.c_str(), oneLine(p.caption).c_str(), oneLine(p.text).c_str());
    delete dialog;
    IsectRecordset::Disconnect();
    return status;
}
