// Transfer files: one unit plan with its lessons and attachments, carried
// from one database to another as the worker's own result text.
//
// The file is the reply to one query of the unit's UnitPlan row with five
// columns added: the writing program's Version, and LessonPlans,
// BinaryFiles and BinaryDescriptions holding the base64 of the complete
// replies to the unit's lesson, attachment-chunk and attachment-description
// queries, and RecordCount, the number of rows of those three.  The same
// parser that reads replies reads the file.
//
//   Writing (the calendar's "Export Unit Plans"):
//     FXString text = transfer::unitText(rs, unitId, appState.softwareVersion);
//     transfer::writeUnit(rs, unitId, unitName, path)
//   Reading (the plan editor's import):
//     TransferFile file;
//     file.parse(text);            // the unit row and its version
//     ... compare file.version ...
//     file.decodeParts();          // lessons, attachments, every value checked
//     FXint unit = file.import(rs, longTermId, teacherId, progress);
//
// Reading never trusts the file: damaged or hostile text (cut short, wrong
// base64, missing columns, rows that are not result text, values that are
// not what their column holds) ends in FXException before anything is sent
// to the database.
#ifndef PLENWICK_TRANSFERFILE_H
#define PLENWICK_TRANSFERFILE_H

#include <fx.h>

#include <vector>

#include "data/IsectRecordset.h"
#include "transfer/Statements.h"
#include "ui/Progress.h"

namespace transfer {

// The directory "..\Transfer" beside the working directory, with this
// platform's separator.
FX::FXString directory();
// The file of a unit: the directory, the unit name with the characters that
// cannot stand in a file name replaced (CleanFileName), ".dat".  A name that
// can stand in a file name is used as it is.
FX::FXString pathFor(const FX::FXString& unitName);

// The columns of the file's unit, lesson and attachment-description rows
// (the statements' SELECT lists), the same in every file since 2.0.3.
extern const char* const unitColumns;
extern const char* const lessonColumns;
extern const char* const descriptionColumns;

// The transfer text of unit `unitId` as the program of version `version`
// writes it.  Runs four queries on `rs`; throws their failures, and
// PlanEditAbort when the connection failed.
FX::FXString unitText(IsectRecordset& rs, const FX::FXString& unitId, const FX::FXString& version);

// Writes the unit's file (replacing one of that name) and clears its export
// mark.  False when the file cannot be written: the mark stays.
FX::FXbool writeUnit(IsectRecordset& rs, const FX::FXString& unitId, const FX::FXString& path,
                     const FX::FXString& version);

}  // namespace transfer

class TransferFile {
public:
    struct Lesson {
        // Texts as the lesson dialog shows them.
        FX::FXString name, skills, objectives, outcomes, intro, development, closure, resources, reflection, test;
        // SQL literals: 'YYYY-MM-DD', 'HH:MM:SS.ffff' or NULL; a number.
        FX::FXString dateStart, dateEnd, timeStart, timeEnd, routineDay;
    };
    struct Chunk {
        FX::FXint increment;
        FX::FXString data;
    };
    struct Attachment {
        FX::FXString fileName, description;
        FX::FXint fileSize = 0;
        std::vector<Chunk> chunks;  // the first (increment 0) leads
    };

    FX::FXString version;
    FX::FXString unitName, unitDescription;
    FX::FXint unitType = 1;
    FX::FXint rotate = 0;
    FX::FXlong recordCount = 0;
    std::vector<Lesson> lessons;
    std::vector<Attachment> attachments;

    // Reads the unit row and its version.  Throws FXException saying what is
    // wrong with the text.
    void parse(const FX::FXString& text);
    // Decodes and checks the lessons, chunks and descriptions.  Throws
    // FXException saying what is wrong.
    void decodeParts();

    // Writes the unit under the long-term plan for the teacher, marked as
    // imported (Transfer -1), with its lessons and attachments, in one
    // transaction on `rs`, one progress step per lesson, attachment and
    // further chunk.  Returns the new unit's Id, or 0 when the user
    // cancelled; a cancel and every failure roll everything back.  Throws
    // the recordset's failures, PlanEditAbort when the connection failed.
    //
    // With `replacing` (a unit's Id) that unit, with its lessons and
    // attachments, is deleted in the same transaction first.
    FX::FXint import(IsectRecordset& rs, const FX::FXString& longTermId, const FX::FXString& teacherId,
                     Progress& progress, const FX::FXString& replacing = FX::FXString::null) const;

    // A unit of the teacher that this file has been imported as already: an
    // imported unit (Transfer -1) of the same name with the same lessons,
    // each by name and dates.  Its Id, and the name of its long-term plan in
    // `planName`; 0 when there is none.  Call after decodeParts().  Throws
    // the recordset's failures.
    FX::FXint findEarlier(IsectRecordset& rs, const FX::FXString& teacherId, FX::FXString& planName) const;

private:
    FX::FXString lessonText, chunkText, descriptionText;  // base64, as in the file
};

#endif
