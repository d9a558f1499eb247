// The attachment part of the "Unit &Plans" tab: the chosen unit's files,
// their notes, and Import, Edit (the notes), Export and Remove.
//
// A file is stored as its base64 text cut into chunks of 999 characters
// (transfer/Attachments.h): the first with the description (MakeUnitBinary,
// which marks it not ready), the others one statement each
// (BulkLoadUnitBinary).  The whole upload is one transaction: Cancel, a
// database error or a lost connection part-way leave nothing of the file
// behind.
//
// Tells its target nothing: the plan lists do not show attachments.
#ifndef PLENWICK_ATTACHMENTPANE_H
#define PLENWICK_ATTACHMENTPANE_H

#include "data/RowVersions.h"
#include "planedit/PlanPane.h"

class AttachmentPane : public PlanPane {
    FXDECLARE(AttachmentPane)
public:
    AttachmentPane(FX::FXComposite* page, const PaneShared& shared, FX::FXObject* tgt, FX::FXSelector sel);

    // Lists the attachments of unit `unitId` and empties the notes.  Throws
    // the recordset's failures.
    void list(FX::FXint unitId);

    enum {
        ID_LIST = FX::FXVerticalFrame::ID_LAST,  // the name or the size list
        ID_IMPORT,
        ID_NOTES,  // "Edi&t": store the notes
        ID_EXPORT,
        ID_REMOVE,
        ID_LAST
    };
    long onCmdList(FX::FXObject*, FX::FXSelector, void*);
    long onCmdImport(FX::FXObject*, FX::FXSelector, void*);
    long onCmdNotes(FX::FXObject*, FX::FXSelector, void*);
    long onCmdExport(FX::FXObject*, FX::FXSelector, void*);
    long onCmdRemove(FX::FXObject*, FX::FXSelector, void*);

protected:
    AttachmentPane() {}

    // The width of the file-name column.
    static constexpr FX::FXint nameWidth = 330;

private:
    FX::FXList* nameList = nullptr;  // data: the attachment's Id
    FX::FXList* sizeList = nullptr;  // row for row with nameList
    FX::FXText* notesText = nullptr;
    // The shown attachment's notes as read, against which an edit is checked.
    ReadRow shownNotes;

    void showNotes(FX::FXint index);
    void importAttachment();
    void exportAttachment();
    void saveNotes();
    void readNotes(IsectRecordset& rs, const FX::FXString& id);
    void removeAttachment();
    // Reads the file at `path` for an import; false after a warning.
    bool readFile(const FX::FXString& path, FX::FXString& bytes);
    // Stores the file's base64 text as attachment `path` of unit `unitId`,
    // with progress and Cancel; true when it was stored.
    bool store(FX::FXint unitId, const FX::FXString& path, const FX::FXString& encoded, FX::FXint size);
};

#endif
