// A router that goes away and comes back: the failed statement counts the
// lost connection (the window tells the user) and keeps the previous result,
// the next one logs in afresh.
#include <gtest/gtest.h>

#include "data/IsectRecordset.h"
#include "support/RecordingPrompter.h"
#include "support/Services.h"

using namespace FX;
using namespace testsupport;

namespace {

TEST(RouterRestart, FailedSendIsCountedThenTheNextRequestLogsInAgain) {
    Services svc;
    ScopedChdir chdir(svc.workdir());
    RecordingPrompter prompts;
    IsectRecordset::Disconnect();
    const FXuint lost = IsectRecordset::LostConnections();

    IsectRecordset rs;
    ASSERT_TRUE(rs.OpenRecordset("Select StringValue from Settings Where StringKey = 'Version'"));
    EXPECT_EQ(FXString("2.0.6"), rs.GetField(0));

    svc.stop();
    EXPECT_FALSE(rs.OpenRecordset("Select StringValue from Settings Where StringKey = 'SchoolTimes'"));
    EXPECT_EQ(lost + 1, IsectRecordset::LostConnections());
    EXPECT_EQ(FXString("IsectRecordset::OpenRecordset - Network connection failed."),
              IsectRecordset::LostConnectionText());
    EXPECT_TRUE(prompts.prompts.empty()) << "the recordset layer shows no box";
    EXPECT_EQ(FXString("2.0.6"), rs.GetField(0));  // the previous result stays

    svc.start();  // a new port, written into Plenwick.ini
    ASSERT_TRUE(rs.OpenRecordset("Select StringValue from Settings Where StringKey = 'SchoolTimes'"));
    EXPECT_EQ(FXString("26"), rs.GetField(0));
    EXPECT_EQ(lost + 1, IsectRecordset::LostConnections());
    IsectRecordset::Disconnect();
}

TEST(RouterRestart, NoConnectionFileIsALostConnection) {
    ServicesOptions options;
    options.workers = 1;
    options.start = false;
    Services svc(options);
    ScopedChdir chdir(svc.dir());  // no Plenwick.ini here
    RecordingPrompter prompts;
    IsectRecordset::Disconnect();
    const FXuint lost = IsectRecordset::LostConnections();
    IsectRecordset rs;
    EXPECT_FALSE(rs.OpenRecordset("Select 1 from rdb$database"));
    EXPECT_EQ(lost + 1, IsectRecordset::LostConnections());
    rs.CommitTrans();  // nothing to send, no second loss
    EXPECT_EQ(lost + 1, IsectRecordset::LostConnections());
    EXPECT_TRUE(prompts.prompts.empty());
}

}  // namespace
