// The real progress window: FOX's progress dialog over its owner, and its
// Cancel button seen by the loop.
#include <gtest/gtest.h>

#include "gui/GuiTest.h"
#include "ui/Progress.h"

using namespace FX;

namespace {

class ProgressTest : public testing::Test {
protected:
    FXMainWindow* owner = nullptr;
    FXProgress progress;
    void SetUp() override {
        owner = new FXMainWindow(guitest::app(), "Owner", nullptr, nullptr, DECOR_ALL, 0, 0, 400, 300);
        owner->create();
        owner->show(PLACEMENT_SCREEN);
        guitest::settle();
    }
    void TearDown() override {
        progress.close();
        delete owner;
        guitest::settle();
    }
};

TEST_F(ProgressTest, ShowsTitleMessageAndAmount) {
    progress.open(owner, "Import Binary File Progress", "Writing file to database.", 3000);
    FXProgressDialog* dialog = progress.dialog();
    ASSERT_NE(nullptr, dialog);
    EXPECT_TRUE(dialog->shown());
    EXPECT_EQ(FXString("Import Binary File Progress"), dialog->getTitle());
    EXPECT_EQ(FXString("Writing file to database."), dialog->getMessage());
    EXPECT_EQ(3000u, dialog->getTotal());
    progress.advance(999);
    progress.advance(999);
    EXPECT_EQ(1998u, dialog->getProgress());
    progress.setMessage("Committing file inside database.");
    EXPECT_EQ(FXString("Committing file inside database."), dialog->getMessage());
    EXPECT_FALSE(progress.cancelled());
    progress.close();
    EXPECT_EQ(nullptr, progress.dialog());
}

TEST_F(ProgressTest, CancelButtonIsSeenByTheLoop) {
    progress.open(owner, "Export Database Progress", "Writing out directories.", 10);
    FXProgressDialog* dialog = progress.dialog();
    // The Cancel button sends ID_CANCEL to the dialog.
    dialog->handle(nullptr, FXSEL(SEL_COMMAND, FXDialogBox::ID_CANCEL), nullptr);
    EXPECT_TRUE(progress.cancelled());
}

}  // namespace
