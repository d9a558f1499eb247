// With several workers, a statement must see what the same client committed
// just before, whichever worker the router gives it.
#include <gtest/gtest.h>

#include <string>

#include "data/IsectRecordset.h"
#include "support/RecordingPrompter.h"
#include "support/Services.h"

using namespace FX;
using namespace testsupport;

namespace {

TEST(TwoWorkers, CommittedWritesAreSeenByTheNextStatement) {
    ServicesOptions options;
    options.workers = 2;
    Services svc(options);
    ScopedChdir chdir(svc.workdir());
    RecordingPrompter prompts;
    IsectRecordset::Disconnect();
    int missing = 0;
    for (int i = 0; i < 40; ++i) {
        IsectRecordset rs;
        rs.OpenRecordset(("Select * from MakeAccount('Teacher " + std::to_string(i) + "',0)").c_str());
        FXString id = rs.GetField(0);
        rs.OpenRecordset("Select Teacher from Teachers where Id = " + id);
        if (rs.recordCount != 1) ++missing;
    }
    EXPECT_EQ(0, missing) << "of 40 new teachers were not found by the next statement";
    EXPECT_EQ(0u, prompts.prompts.size());
    IsectRecordset::Disconnect();
}

}  // namespace
