// A router that goes away and comes back: the failed statement shows the
// warning and keeps the previous result, the next one logs in afresh.
#include <gtest/gtest.h>

#include "data/IsectRecordset.h"
#include "support/RecordingPrompter.h"
#include "support/Services.h"

using namespace FX;
using namespace testsupport;

namespace {

TEST(RouterRestart, FailedSendWarnsThenTheNextRequestLogsInAgain) {
    Services svc;
    ScopedChdir chdir(svc.workdir());
    RecordingPrompter prompts;
    IsectRecordset::Disconnect();

    IsectRecordset rs;
    ASSERT_TRUE(rs.OpenRecordset("Select StringValue from Settings Where StringKey = 'Version'"));
    EXPECT_EQ(FXString("2.0.3"), rs.GetField(0));

    svc.stop();
    EXPECT_FALSE(rs.OpenRecordset("Select StringValue from Settings Where StringKey = 'SchoolTimes'"));
    ASSERT_EQ(1u, prompts.count("warning"));
    EXPECT_EQ("IsectRecordset::OpenRecordset - Network connection failed.", prompts.last().text);
    EXPECT_EQ(FXString("2.0.3"), rs.GetField(0));  // the previous result stays

    svc.start();  // a new port, written into Plenwick.ini
    ASSERT_TRUE(rs.OpenRecordset("Select StringValue from Settings Where StringKey = 'SchoolTimes'"));
    EXPECT_EQ(FXString("26"), rs.GetField(0));
    EXPECT_EQ(1u, prompts.count("warning"));
    IsectRecordset::Disconnect();
}

TEST(RouterRestart, NoConnectionFileGivesTheWarning) {
    ServicesOptions options;
    options.workers = 1;
    options.start = false;
    Services svc(options);
    ScopedChdir chdir(svc.dir());  // no Plenwick.ini here
    RecordingPrompter prompts;
    IsectRecordset::Disconnect();
    IsectRecordset rs;
    EXPECT_FALSE(rs.OpenRecordset("Select 1 from rdb$database"));
    EXPECT_EQ(1u, prompts.count("warning"));
    rs.CommitTrans();  // nothing to send, no second warning
    EXPECT_EQ(1u, prompts.count("warning"));
}

}  // namespace
