// UnitPlanDialog: the unit's file attachments (tab "Unit &Plans"): listing,
// notes, import in base64 chunks with progress and Cancel, export, removal.
//
// A file is stored as its base64 text cut into chunks of 999 characters: the
// first with the description (MakeUnitBinary, which marks it not ready), the
// others one statement each (BulkLoadUnitBinary).  The whole upload is one
// transaction: Cancel, a database error or a lost connection part-way leave
// nothing of the file behind.
#include "data/AppState.h"
#include "data/Base64.h"
#include "data/FXTextException.h"
#include "data/Files.h"
#include "data/Prompter.h"
#include "planedit/PlanEditText.h"
#include "planedit/UnitPlanDialog.h"
#include "transfer/Attachments.h"
#include "ui/AppResources.h"
#include "ui/ListItems.h"
#include "ui/Progress.h"

using namespace FX;
using planedit::text;
using planedit::trimmed;

namespace {
const char* const binarySection = "UNITPLANBINARY";
const char* const fileWarning = "Plenwick";
}  // namespace

void UnitPlanDialog::listAttachments(FXint unitId) {
    attachmentList->clearItems();
    attachmentSizeList->clearItems();
    attachmentNotes->setText(FXString::null);
    IsectRecordset rs;
    query(rs, "Select BinaryDescription.Id, FileName, FileSize from UnitBinary, BinaryDescription where FKUnitPlan = " +
                  text(unitId) + " and UnitBinary.Id = BinaryDescription.Id");
    for (rs.MoveFirst(); !rs.eof(); rs.MoveNext()) {
        void* id = (void*)(FXival)FXIntVal(rs.GetField("Id"));
        attachmentList->appendItem(rs.GetField("FileName"), nullptr, id);
        attachmentSizeList->appendItem(trimmed(rs.GetField("FileSize")), nullptr, id);
    }
    lists::noCurrentItem(attachmentList);
    lists::noCurrentItem(attachmentSizeList);
}

void UnitPlanDialog::onAttachmentSelected(FXint index) {
    if (index < 0 || index >= attachmentList->getNumItems()) return;
    failureScope("Database Error", [&] {
        lists::selectItem(attachmentList, index);
        lists::selectItem(attachmentSizeList, index);
        attachmentNotes->setText(FXString::null);
        IsectRecordset rs;
        query(rs, "Select Description from BinaryDescription where Id = " +
                      text(lists::itemId(attachmentList, index)));
        if (!rs.rows.IsEmpty()) {
            rs.MoveFirst();
            attachmentNotes->setText(rs.GetField("Description"));
        }
    });
}

// The chosen attachment: the name list's current entry when it is selected.
FXint UnitPlanDialog::chosenAttachment() const {
    const FXint index = attachmentList->getCurrentItem();
    if (index < 0 || !attachmentList->isItemSelected(index)) return -1;
    return index;
}

// The unit the attachment buttons act on: the current unit entry, when it is
// a unit of the database (not a transfer file waiting to be imported).
FXint UnitPlanDialog::attachmentUnit() const {
    const FXint index = unitList->getCurrentItem();
    if (index < 0 || index >= unitList->getNumItems()) return -1;
    const FXint unitId = lists::itemId(unitList, index);
    return unitId < 0 ? -1 : unitId;
}

void UnitPlanDialog::importAttachment() {
    const FXint unitId = attachmentUnit();
    if (unitId < 0) return;

    FXRegistry& reg = getApp()->reg();
    FXString path = reg.readStringEntry(binarySection, "directory", "");
    if (!path.empty() && path[path.length() - 1] != PATHSEP) path += PATHSEP;
    if (!Prompter::get().openFile(this, "Import File attachment from disk", "All Files (*)", path)) return;
    reg.writeStringEntry(binarySection, "directory", FXPath::directory(path).text());

    for (FXint i = 0; i < attachmentList->getNumItems(); ++i) {
        if (attachmentList->getItemText(i) == path) {
            Prompter::get().error(this, "Add File Attachment Error", "This file already exists.");
            return;
        }
    }

    busy(true);
    FXString bytes;
    switch (ReadWholeFile(path, bytes)) {
        case FileRead::Done: break;
        case FileRead::Missing:
            busy(false);
            Prompter::get().warning(this, fileWarning, "Aborting file import as " + path + " cannot be found.");
            return;
        case FileRead::TooLarge:
            busy(false);
            Prompter::get().warning(this, fileWarning,
                                    "Aborting file import as " + path + " is larger than 1 GB.");
            return;
        case FileRead::Unreadable:
            busy(false);
            Prompter::get().warning(this, fileWarning,
                                    "Aborting file import as " + path + " is opened by another application.");
            return;
    }
    const FXString encoded = base64::encode(bytes);
    const FXint size = bytes.length();
    bytes = FXString::null;
    const FXint n = encoded.length();
    const FXint chunk = attachments::chunkSize;

    bool written = false;
    failureScope("Database Error", [&] {
        IsectRecordset::Transaction transaction(recordset);
        query(recordset, "Select * from MakeUnitBinary('" + EscapeText(path) + "'," + text(size) + ",'" +
                             encoded.left(chunk) + "'," + text(unitId) + ")");
        const FXString attachment = trimmed(recordset.GetField("0"));

        ProgressWindow progress(this, "Import Binary File Progress", "Writing file to database.",
                                (FXuint)(n > chunk ? n - chunk : 0));
        FXint increment = 1;
        for (FXint offset = chunk; offset < n; offset += chunk, ++increment) {
            progress->advance((FXuint)chunk);
            if (progress->cancelled()) {
                transaction.rollback();
                busy(false);
                return;
            }
            query(recordset, "Execute Procedure BulkLoadUnitBinary(" + attachment + "," + text(increment) + ",'" +
                                 EscapeText(encoded.mid(offset, chunk)) + "'," + text(unitId) + ")");
        }
        query(recordset, "Update BinaryDescription Set Ready = 0 where Id = " + attachment);
        progress->setMessage("Committing file inside database.");
        transaction.commit();
        written = true;
    });
    if (!written) return;
    failureScope("Database Error", [&] { listAttachments(unitId); });
    busy(false);
}

void UnitPlanDialog::exportAttachment() {
    const FXint index = chosenAttachment();
    if (index < 0) return;
    busy(true);
    FXString bytes;
    if (!failureScope("Database Error", [&] {
            IsectRecordset rs;
            bytes = attachments::readBytes(rs, text(lists::itemId(attachmentList, index)));
        }))
        return;
    FXString path = attachmentList->getItemText(index);
    if (Prompter::get().saveFile(this, "Export file attachment to disk", "All Files (*)", path)) {
        if (!WriteWholeFile(path, bytes))
            Prompter::get().warning(this, fileWarning,
                                    "Aborting file write as " + path + " is opened by another application.");
    }
    busy(false);
}

void UnitPlanDialog::saveAttachmentNotes() {
    if (attachmentList->getNumItems() == 0) return;
    const FXint index = attachmentList->getCurrentItem();
    if (index < 0) return;
    failureScope("Database Error", [&] {
        IsectRecordset rs;
        query(rs, "Update BinaryDescription Set Description = '" + EscapeText(attachmentNotes->getText()) +
                      "' Where Id = " + text(lists::itemId(attachmentList, index)));
    });
}

void UnitPlanDialog::removeAttachment() {
    const FXint index = chosenAttachment();
    if (index < 0) return;
    const FXString id = text(lists::itemId(attachmentList, index));
    failureScope("Database Error", [&] {
        IsectRecordset rs;
        query(rs, "Select Ready from BinaryDescription where Id = " + id);
        if (!rs.rows.IsEmpty()) {
            rs.MoveFirst();
            if (FXIntVal(rs.GetField("Ready")) != 0) {
                Prompter::get().warning(this, fileWarning,
                                        "This file is still being written to the database. Please wait for a "
                                        "minute or two and try again.");
                return;
            }
        }
        if (!Prompter::get().question(this, "Confirm delete file", "Do you want to delete this file?")) return;
        busy(true);
        IsectRecordset::Transaction transaction(recordset);
        query(recordset, "Delete from UnitBinary where BinaryId = " + id);
        transaction.commit();
        const FXint unitId = attachmentUnit();
        if (unitId >= 0) listAttachments(unitId);
        busy(false);
    });
}
