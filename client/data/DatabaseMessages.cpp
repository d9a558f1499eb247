#include "data/DatabaseMessages.h"

using namespace FX;

namespace messages {

bool isLockConflict(const FXString& text) {
    return text.find("lock time-out on wait transaction") >= 0 || text.find("deadlock") >= 0 ||
           text.find("update conflicts with concurrent update") >= 0 ||
           text.find("lock conflict on no wait transaction") >= 0;
}

FXString plain(const FXString& text, FXString& caption) {
    if (isLockConflict(text)) {
        caption = "Someone Else Is Changing This";
        return "Someone else is changing this plan at the moment, so your change was not saved.\n\n"
               "Everything you typed is still here: try again in a moment.";
    }
    if (text.find("LONG_TERM_PLAN_SHARED") >= 0) {
        // The database's own refusal, for a delete the window's checks let
        // through while another teacher's unit went into the plan.
        caption = "Delete Long Term Plan";
        return "This Long Term plan holds the unit plans of more than one teacher, so it is not deleted: each "
               "teacher deletes their own unit plans first.";
    }
    if (text.find("FXStringRecordset::GetField - Recordset is empty.") >= 0) {
        caption = "Not Found";
        return "What you chose is no longer in the database: someone may have just deleted it.\n\n"
               "Choose it again from the lists; everything you typed is still here.";
    }
    return text;
}

}  // namespace messages
