// The search index: the query language, accents and stems, scope, pages and
// snippets, every kind of attachment found by a word only it holds, a
// damaged index made again, hostile queries.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "SearchIndex.h"
#include "support/TestFiles.h"

using search::Item;
using search::Result;
using search::Scope;

namespace {

std::string run(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
    return out;
}

// A zip file (OpenDocument, Office) with one member, made by Python's zipfile.
std::string zipWith(const testsupport::TempDir& dir, const std::string& member, const std::string& xml) {
    testsupport::writeFile(dir.file("member.xml"), xml);
    run("/usr/bin/python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1],'w'); "
        "z.write(sys.argv[2], sys.argv[3]); z.close()\" '" +
        dir.file("doc.zip") + "' '" + dir.file("member.xml") + "' '" + member + "'");
    return testsupport::readFile(dir.file("doc.zip"));
}

std::string pdfWith(const testsupport::TempDir& dir, const std::string& word) {
    testsupport::writeFile(dir.file("page.ps"), "%!PS\n/Helvetica findfont 20 scalefont setfont 72 700 moveto (The " +
                                                    word + " page) show showpage\n");
    run("ps2pdf '" + dir.file("page.ps") + "' '" + dir.file("page.pdf") + "' 2>/dev/null");
    return testsupport::readFile(dir.file("page.pdf"));
}

class SearchIndex : public ::testing::Test {
protected:
    testsupport::TempDir dir{"plenwick-search-index"};
    std::unique_ptr<search::Index> index{new search::Index(dir.file("index"))};

    void SetUp() override {
        // Two syndicates: teachers 1 (leader) and 2 in one, 3 in the other.
        put("lesson", 1, 2, 1, "Halves and quarters", "Fold a sheet of paper to make fractions.");
        put("lesson", 2, 2, 1, "Decimals", "Tenths as decimals and as fractions.");
        put("lesson", 3, 1, 1, "Waiata", "Learn a waiata in te reo M\xC4\x81ori with the class.");
        put("unit", 4, 3, 3, "Halving numbers", "Doubles and halving, mental strategies.");
        put("plan", 5, 3, 3, "Number", "The term's number plan: place value and fractions.");
        index->commit();
    }
    void put(const std::string& kind, long id, long teacher, long syndicate, const std::string& title,
             const std::string& text) {
        Item item;
        item.kind = kind;
        item.id = id;
        item.teacher = teacher;
        item.syndicate = syndicate;
        item.teacherName = "Teacher " + std::to_string(teacher);
        item.date = "2014-03-31";
        item.title = title;
        item.text = text;
        index->put(item);
    }
    // The ids found, best first.
    std::vector<long> ids(const std::string& query, Scope scope = Scope::School, long teacher = 2, long syndicate = 1) {
        std::vector<long> out;
        for (const auto& hit : index->find(query, scope, teacher, syndicate, 1).hits) out.push_back(hit.id);
        return out;
    }
    std::vector<long> sorted(std::vector<long> v) {
        std::sort(v.begin(), v.end());
        return v;
    }
};

}  // namespace

TEST_F(SearchIndex, WordsPhrasesAndWordsLeftOut) {
    // Every word must be there.
    EXPECT_EQ(sorted(ids("fractions")), (std::vector<long>{1, 2, 5}));
    EXPECT_EQ(ids("fractions paper"), std::vector<long>{1});
    // A phrase: the words together, in order.
    EXPECT_EQ(ids("\"place value\""), std::vector<long>{5});
    EXPECT_EQ(ids("\"value place\""), std::vector<long>{});
    // -word leaves out what holds it.
    EXPECT_EQ(sorted(ids("fractions -decimals")), (std::vector<long>{1, 5}));
    // Case does not matter.
    EXPECT_EQ(ids("FOLD SHEET"), std::vector<long>{1});
}

TEST_F(SearchIndex, AccentsAndStems) {
    EXPECT_EQ(ids("maori"), std::vector<long>{3});
    EXPECT_EQ(ids("M\xC4\x81ori"), std::vector<long>{3});
    EXPECT_EQ(ids("MAORI"), std::vector<long>{3});
    // "halves" and "halving" by their stem; "fraction" finds "fractions".
    EXPECT_EQ(sorted(ids("halving")), (std::vector<long>{1, 4}));
    EXPECT_EQ(sorted(ids("halves")), (std::vector<long>{1, 4}));
    EXPECT_EQ(sorted(ids("fraction")), (std::vector<long>{1, 2, 5}));
    EXPECT_EQ(sorted(ids("doubling")), (std::vector<long>{4}));
}

TEST_F(SearchIndex, ScopeMineSyndicateSchool) {
    EXPECT_EQ(sorted(ids("fractions", Scope::Mine, 2, 1)), (std::vector<long>{1, 2}));
    EXPECT_EQ(sorted(ids("fractions", Scope::Syndicate, 1, 1)), (std::vector<long>{1, 2}));
    EXPECT_EQ(sorted(ids("fractions", Scope::Syndicate, 3, 3)), (std::vector<long>{5}));
    EXPECT_EQ(sorted(ids("fractions", Scope::School)), (std::vector<long>{1, 2, 5}));
}

TEST_F(SearchIndex, RankedPagesOfTwentyWithMarkedSnippets) {
    for (long id = 100; id < 145; ++id)
        put("lesson", id, 2, 1, "Lesson " + std::to_string(id),
            id == 144 ? "rivers rivers rivers rivers" : "A walk by the rivers of the town " + std::string(id, 'x'));
    index->commit();
    const Result first = index->find("rivers", Scope::School, 2, 1, 1);
    EXPECT_EQ(first.total, 45);
    ASSERT_EQ(first.hits.size(), 20u);
    EXPECT_EQ(first.hits[0].id, 144);  // the word most often, in the shortest text
    EXPECT_EQ(index->find("rivers", Scope::School, 2, 1, 3).hits.size(), 5u);
    EXPECT_TRUE(index->find("rivers", Scope::School, 2, 1, 4).hits.empty());
    const Result one = index->find("fold", Scope::School, 2, 1, 1);
    ASSERT_EQ(one.hits.size(), 1u);
    EXPECT_EQ(one.hits[0].kind, "lesson");
    EXPECT_EQ(one.hits[0].teacherName, "Teacher 2");
    EXPECT_EQ(one.hits[0].date, "2014-03-31");
    EXPECT_EQ(one.hits[0].title, "Halves and quarters");
    EXPECT_NE(one.hits[0].snippet.find(std::string(search::markOpen) + "Fold" + search::markClose), std::string::npos)
        << one.hits[0].snippet;
    // A word found without its accents is marked in the text as written.
    const Result waiata = index->find("maori", Scope::School, 2, 1, 1);
    ASSERT_EQ(waiata.hits.size(), 1u);
    EXPECT_NE(waiata.hits[0].snippet.find(search::markOpen), std::string::npos) << waiata.hits[0].snippet;
}

TEST_F(SearchIndex, ChangedAndRemovedItems) {
    put("lesson", 1, 2, 1, "Halves and quarters", "Now about origami cranes.");
    index->commit();
    EXPECT_EQ(ids("origami"), std::vector<long>{1});
    EXPECT_EQ(sorted(ids("fractions")), (std::vector<long>{2, 5}));
    index->remove("lesson", 1);
    index->commit();
    EXPECT_TRUE(ids("origami").empty());
    // The same id of another kind is another item.
    EXPECT_EQ(ids("\"place value\""), std::vector<long>{5});
}

TEST_F(SearchIndex, HostileQueriesGiveAMessageOrNothing) {
    const char* queries[] = {"\"",     "\"\"\"", "(((",        ")",      "AND",
                             "OR NOT", "- - -",  "NEAR",       "\"fold", "*",
                             "a*",     "+",      "fold AND (", "\\x00",  "'; drop table LessonPlan; --"};
    // Operators alone are read as the words they are ("and" is in four
    // lessons): never an error, at most the items holding those words.
    for (const char* q : queries) {
        const Result r = index->find(q, Scope::School, 2, 1, 1);
        EXPECT_LE(r.hits.size(), 5u) << q;
    }
    EXPECT_EQ(sorted(ids("AND")), (std::vector<long>{1, 2, 4, 5}));
    EXPECT_FALSE(index->find("", Scope::School, 2, 1, 1).message.empty());
    EXPECT_FALSE(index->find("   ", Scope::School, 2, 1, 1).message.empty());
    // Ten thousand characters, and binary bytes.
    std::string longQuery;
    while (longQuery.size() < 10000) longQuery += "fold (\"sheet ";
    index->find(longQuery, Scope::School, 2, 1, 1);
    index->find(testsupport::randomBytes(10000, 7), Scope::School, 2, 1, 1);
    EXPECT_EQ(ids(std::string("fold\x01\xff\xfe", 7)), std::vector<long>{1});
}

TEST_F(SearchIndex, ADamagedIndexIsMadeAgain) {
    EXPECT_FALSE(index->rebuilt());
    index.reset();
    // Every file of the index overwritten with rubbish.
    run("for f in '" + dir.file("index") + "'/*; do head -c 4096 /dev/urandom > \"$f\"; done");
    index.reset(new search::Index(dir.file("index")));
    EXPECT_TRUE(index->rebuilt());
    EXPECT_EQ(index->size(), 0);
    put("lesson", 7, 2, 1, "Again", "rebuilt words");
    index->commit();
    EXPECT_EQ(ids("rebuilt"), std::vector<long>{7});
    // A missing index is simply made.
    index.reset();
    testsupport::removeTree(dir.file("index"));
    index.reset(new search::Index(dir.file("index")));
    EXPECT_EQ(index->size(), 0);
}

TEST(AttachmentText, EachKindByAWordOnlyItHolds) {
    testsupport::TempDir dir("plenwick-attachments");
    std::string note;
    EXPECT_NE(search::attachmentText("notes.TXT", "plain kiwifruit", note).find("kiwifruit"), std::string::npos);
    const std::string html = search::attachmentText(
        "page.html", "<html><script>var hidden='zebra';</script><p>taniwha &amp; friends</p></html>", note);
    EXPECT_NE(html.find("taniwha & friends"), std::string::npos) << html;
    EXPECT_EQ(html.find("zebra"), std::string::npos);
    EXPECT_NE(search::attachmentText("sheet.pdf", pdfWith(dir, "pohutukawa"), note).find("pohutukawa"),
              std::string::npos)
        << note;
    EXPECT_NE(search::attachmentText("story.odt",
                                     zipWith(dir, "content.xml",
                                             "<office:text><text:p>kereru</text:p>"
                                             "</office:text>"),
                                     note)
                  .find("kereru"),
              std::string::npos);
    EXPECT_NE(
        search::attachmentText("story.docx", zipWith(dir, "word/document.xml", "<w:p><w:t>tuatara</w:t></w:p>"), note)
            .find("tuatara"),
        std::string::npos);
    EXPECT_TRUE(note.empty()) << note;
    // A damaged PDF: no text and a note.
    EXPECT_EQ(search::attachmentText("broken.pdf", "%PDF-1.4\nnot really", note), "");
    EXPECT_NE(note.find("broken.pdf"), std::string::npos);
    // Kinds without text: nothing, no note.
    note.clear();
    EXPECT_EQ(search::attachmentText("photo.jpg", "\xff\xd8\xff", note), "");
    EXPECT_TRUE(note.empty());
}

TEST(AccentFolding, LettersLoseTheirAccents) {
    EXPECT_EQ(search::foldAccents("M\xC4\x81ori caf\xC3\xA9 \xC5\x81\xC3\xB3"
                                  "d\xC5\xBA"),
              "Maori cafe Lodz");
    EXPECT_EQ(search::foldAccents(std::string("a\xff"
                                              "b",
                                              3)),
              "a b");
    EXPECT_EQ(search::foldAccents("\xE2\x82\xAC 5"), "\xE2\x82\xAC 5");  // not a letter: kept
}
