// Sifter behind the real router, beside Vantry: a lesson written through
// the database service is indexed between searches and found through the
// search service.
#include <gtest/gtest.h>
#include <xapian.h>

#include <chrono>
#include <string>
#include <thread>

#include "SearchService.h"
#include "support/IsdClient.h"
#include "support/Services.h"

TEST(SifterRouting, ALessonWrittenThroughVantryIsFoundThroughSifter) {
    testsupport::ServicesOptions options;
    options.workers = 1;
    options.search = true;
    testsupport::Services services(options);
    testsupport::ScopedChdir here(services.workdir());
    testsupport::CheckedClient db(services.host(), services.service());
    testsupport::CheckedClient searcher(services.host(), services.service() + "Search");
    // The first search waits for the service's start (the change table made).
    search::Rows rows;
    ASSERT_TRUE(search::readRows(searcher.text("search\tschool\t1\t1\t1\tkakapo"), rows));
    EXPECT_TRUE(rows.empty());
    db.must("insert into Teachers (Id, Teacher, Syndicate) values (1, 'Ann Leader', 1)");
    db.must(
        "insert into UnitPlan (Id, UnitName, UnitDescription, UnitType, FKLongTerm, FKTeacher, Transfer, Rotate) "
        "values (20, 'Birds', 'd', 1, 0, 1, 0, 0)");
    db.must(
        "insert into LessonPlan (Id, LessonName, LessonES, DateStart, DateEnd, FKUnitPlan) values (30, "
        "'The kakapo', 'A night parrot', '2014-03-31', '2014-03-31', 20)");
    db.commit();
    // The commit is a word without a reply: a round trip makes sure the
    // worker has run it.
    db.text("select 1 from rdb$database");
    db.commit();
    // The service takes the change in while nobody searches: the index's
    // last change read reaches the newest change row without a search.
    const std::string newest = services.isql("select 'newest=' || max(Id) from SearchChange;");
    const size_t at = newest.find("newest=");
    ASSERT_NE(at, std::string::npos) << newest;
    const std::string wanted = newest.substr(at + 7, newest.find_first_not_of("0123456789", at + 7) - at - 7);
    std::string read;
    for (int i = 0; i < 600 && read != wanted; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        try {
            read = Xapian::Database(services.workdir() + "/services/search").get_metadata("lastChange");
        } catch (const Xapian::Error&) {
        }
    }
    EXPECT_EQ(wanted, read) << "the change of the lesson was not indexed before a search asked for it";
    ASSERT_TRUE(search::readRows(searcher.text("search\tschool\t1\t1\t1\tkakapo"), rows));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "lesson");
    EXPECT_EQ(rows[0][1], "30");
    EXPECT_EQ(rows[0][3], "Ann Leader");
}
