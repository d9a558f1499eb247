// Sifter behind the real router, beside Vantry: a lesson written through
// the database service is found through the search service.
#include <gtest/gtest.h>

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
    // worker has run it before the search is asked.
    db.text("select 1 from rdb$database");
    ASSERT_TRUE(search::readRows(searcher.text("search\tschool\t1\t1\t1\tkakapo"), rows));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "lesson");
    EXPECT_EQ(rows[0][1], "30");
    EXPECT_EQ(rows[0][3], "Ann Leader");
}
