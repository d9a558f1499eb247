#include "planedit/AttachmentPane.h"

#include "data/Base64.h"
#include "data/Files.h"
#include "planedit/PlanEditing.h"
#include "planedit/PlanWidgets.h"
#include "transfer/Attachments.h"
#include "ui/ListItems.h"
#include "ui/Progress.h"
#include "ui/Prompter.h"

using namespace FX;
using namespace planedit;

FXDEFMAP(AttachmentPane)
AttachmentPaneMap[] = {
    FXMAPFUNC(SEL_COMMAND, AttachmentPane::ID_LIST, AttachmentPane::onCmdList),
    FXMAPFUNC(SEL_COMMAND, AttachmentPane::ID_IMPORT, AttachmentPane::onCmdImport),
    FXMAPFUNC(SEL_COMMAND, AttachmentPane::ID_NOTES, AttachmentPane::onCmdNotes),
    FXMAPFUNC(SEL_COMMAND, AttachmentPane::ID_EXPORT, AttachmentPane::onCmdExport),
    FXMAPFUNC(SEL_COMMAND, AttachmentPane::ID_REMOVE, AttachmentPane::onCmdRemove),
};

FXIMPLEMENT(AttachmentPane, PlanPane, AttachmentPaneMap, ARRAYNUMBER(AttachmentPaneMap))

namespace {
const char* const binarySection = "UNITPLANBINARY";
const char* const fileWarning = "Plenwick";
}  // namespace

AttachmentPane::AttachmentPane(FXComposite* page, const PaneShared& shared, FXObject* tgt, FXSelector sel)
    : PlanPane(page, shared, tgt, sel) {
    const char* titles[] = {"File Attachment Name", "File Size"};
    // Both columns inside the tab at the dialog's smallest width, and six
    // rows of attachments; a longer name shows whole in the tooltip.
    const FXint widths[] = {nameWidth, 80};
    const FXSelector sels[] = {ID_LIST, ID_LIST};
    FXList* lists[2];
    listGroup(this, titles, widths, 2, lists, this, sels, LAYOUT_FILL_X, 180);
    nameList = lists[0];
    sizeList = lists[1];
    FXGroupBox* notes = new FXGroupBox(
        this, "File Notes", GROUPBOX_TITLE_LEFT | FRAME_GROOVE | LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 4, 4, 2, 4);
    notesText = stretchText(notes, 100);
    FXHorizontalFrame* buttons = buttonRow(this);
    button(buttons, "&Import\tCopy file attachment into database", this, ID_IMPORT);
    button(buttons, "Edi&t\tEdit notes that accompany file attachment", this, ID_NOTES);
    button(buttons, "E&xport\tCopy file attachment from database to disk", this, ID_EXPORT);
    button(buttons, "&Remove\tRemove file attachment from database", this, ID_REMOVE);
}

void AttachmentPane::list(FXint unitId) {
    nameList->clearItems();
    sizeList->clearItems();
    notesText->setText(FXString::null);
    IsectRecordset rs;
    query(rs, "Select BinaryDescription.Id, FileName, FileSize from UnitBinary, BinaryDescription where FKUnitPlan = " +
                  text(unitId) + " and UnitBinary.Id = BinaryDescription.Id");
    for (rs.MoveFirst(); !rs.eof(); rs.MoveNext()) {
        void* id = (void*)(FXival)FXIntVal(rs.GetField("Id"));
        nameList->appendItem(rs.GetField("FileName"), nullptr, id);
        sizeList->appendItem(trimmed(rs.GetField("FileSize")), nullptr, id);
    }
    lists::noCurrentItem(nameList);
    lists::noCurrentItem(sizeList);
}

// ---------------------------------------------------------------- handlers

long AttachmentPane::onCmdList(FXObject*, FXSelector, void* ptr) {
    const FXint index = (FXint)(FXival)ptr;
    if (index >= 0) showNotes(index);
    return 1;
}

long AttachmentPane::onCmdImport(FXObject*, FXSelector, void*) {
    importAttachment();
    return 1;
}

long AttachmentPane::onCmdNotes(FXObject*, FXSelector, void*) {
    saveNotes();
    return 1;
}

long AttachmentPane::onCmdExport(FXObject*, FXSelector, void*) {
    exportAttachment();
    return 1;
}

long AttachmentPane::onCmdRemove(FXObject*, FXSelector, void*) {
    removeAttachment();
    return 1;
}

// ---------------------------------------------------------------- operations

void AttachmentPane::showNotes(FXint index) {
    if (index < 0 || index >= nameList->getNumItems()) return;
    failureScope("Database Error", [&] {
        lists::selectItem(nameList, index);
        lists::selectItem(sizeList, index);
        notesText->setText(FXString::null);
        shownNotes = ReadRow();
        IsectRecordset rs;
        readNotes(rs, text(lists::itemId(nameList, index)));
        if (!rs.rows.IsEmpty()) {
            rs.MoveFirst();
            shownNotes = ReadRow::of(rs);
            notesText->setText(rs.GetField("Description"));
        }
    });
}

void AttachmentPane::importAttachment() {
    const FXint unitId = lists().unitId();
    if (unitId < 0) return;

    FXRegistry& reg = getApp()->reg();
    FXString path = reg.readStringEntry(binarySection, "directory", "");
    if (!path.empty() && path[path.length() - 1] != PATHSEP) path += PATHSEP;
    if (!Prompter::get().openFile(owner(), "Import File attachment from disk", "All Files (*)", path)) return;
    reg.writeStringEntry(binarySection, "directory", FXPath::directory(path).text());
    if (PlanLists::holds(nameList, path)) {
        Prompter::get().error(owner(), "Add File Attachment Error", "This file already exists.");
        return;
    }

    busy(true);
    FXString bytes;
    if (!readFile(path, bytes)) return;
    const FXString encoded = base64::encode(bytes);
    const FXint size = bytes.length();
    bytes = FXString::null;
    if (!store(unitId, path, encoded, size)) return;
    failureScope("Database Error", [&] { list(unitId); });
    busy(false);
}

bool AttachmentPane::readFile(const FXString& path, FXString& bytes) {
    FXString problem;
    switch (ReadWholeFile(path, bytes)) {
        case FileRead::Done:
            return true;
        case FileRead::Missing:
            problem = " cannot be found.";
            break;
        case FileRead::TooLarge:
            problem = " is larger than 1 GB.";
            break;
        case FileRead::Unreadable:
            problem = " is opened by another application.";
            break;
    }
    busy(false);
    Prompter::get().warning(owner(), fileWarning, "Aborting file import as " + path + problem);
    return false;
}

bool AttachmentPane::store(FXint unitId, const FXString& path, const FXString& encoded, FXint size) {
    const FXint n = encoded.length();
    const FXint chunk = attachments::chunkSize;
    bool written = false;
    failureScope("Database Error", [&] {
        IsectRecordset& rs = recordset();
        IsectRecordset::Transaction transaction(rs);
        // A round trip of its own: the attachment's id it answers goes into
        // every chunk that follows.
        query(rs, "Select * from MakeUnitBinary('" + EscapeText(path) + "'," + text(size) + ",'" + encoded.left(chunk) +
                      "'," + text(unitId) + ")");
        const FXString attachment = trimmed(rs.GetField("0"));

        ProgressWindow progress(owner(), "Import Binary File Progress", "Writing file to database.",
                                (FXuint)(n > chunk ? n - chunk : 0));
        // The chunks answer nothing the next one needs: they go out as a
        // batch of EXECUTE BLOCKs (ChunkWriter).
        IsectRecordset::Batch batch(rs);
        attachments::ChunkWriter chunks(batch, attachment, text(unitId));
        FXint increment = 1;
        for (FXint offset = chunk; offset < n; offset += chunk, ++increment) {
            progress->advance((FXuint)chunk);
            if (progress->cancelled()) {
                transaction.rollback();
                busy(false);
                return;
            }
            chunks.add(increment, encoded.mid(offset, chunk));
        }
        chunks.flush();
        if (!batch.Add("Update BinaryDescription Set Ready = 0 where Id = " + attachment) || !batch.Wait())
            throw PlanEditAbort();
        progress->setMessage("Committing file inside database.");
        transaction.commit();
        written = true;
    });
    return written;
}

void AttachmentPane::exportAttachment() {
    const FXint index = PlanLists::chosen(nameList);
    if (index < 0) return;
    busy(true);
    FXString bytes;
    if (!failureScope("Database Error", [&] {
            IsectRecordset rs;
            bytes = attachments::readBytes(rs, text(lists::itemId(nameList, index)));
        }))
        return;
    FXString path = nameList->getItemText(index);
    if (Prompter::get().saveFile(owner(), "Export file attachment to disk", "All Files (*)", path)) {
        if (!WriteWholeFile(path, bytes))
            Prompter::get().warning(owner(), fileWarning,
                                    "Aborting file write as " + path + " is opened by another application.");
    }
    busy(false);
}

void AttachmentPane::saveNotes() {
    if (nameList->getNumItems() == 0) return;
    const FXint index = nameList->getCurrentItem();
    if (index < 0) return;
    const FXString id = text(lists::itemId(nameList, index));
    failureScope("Database Error", [&] {
        IsectRecordset rs;
        CheckedEdit edit{
            "file attachment", nameList->getItemText(index), {{"Description", "File Notes", notesText->getText()}}};
        edit.reread = [&] { readNotes(rs, id); };
        edit.reload = [&] { showNotes(index); };
        edit.write = [&] {
            rs.MoveFirst();
            query(rs, "Update BinaryDescription Set Description = '" + EscapeText(notesText->getText()) + "'" +
                          rowversions::checkedAssignments(rs) + " Where Id = " + id);
            readNotes(rs, id);
            shownNotes = ReadRow::of(rs);
        };
        checkedEdit(owner(), rs, shownNotes, edit);
    });
}

void AttachmentPane::readNotes(IsectRecordset& rs, const FXString& id) {
    query(rs, "Select Id, Description, RowVersion, ChangedBy from BinaryDescription where Id = " + id);
}

void AttachmentPane::removeAttachment() {
    const FXint index = PlanLists::chosen(nameList);
    if (index < 0) return;
    const FXString id = text(lists::itemId(nameList, index));
    failureScope("Database Error", [&] {
        IsectRecordset rs;
        query(rs, "Select Ready from BinaryDescription where Id = " + id);
        if (!rs.rows.IsEmpty()) {
            rs.MoveFirst();
            if (FXIntVal(rs.GetField("Ready")) != 0) {
                Prompter::get().warning(owner(), fileWarning,
                                        "This file is still being written to the database. Please wait for a "
                                        "minute or two and try again.");
                return;
            }
        }
        if (!Prompter::get().question(
                owner(), "Confirm delete file",
                "Do you want to delete the file \"" + nameList->getItemText(index) + "\" from this unit plan?"))
            return;
        busy(true);
        IsectRecordset::Transaction transaction(recordset());
        query(recordset(), "Delete from UnitBinary where BinaryId = " + id);
        transaction.commit();
        const FXint unitId = lists().unitId();
        if (unitId >= 0) list(unitId);
        busy(false);
    });
}
