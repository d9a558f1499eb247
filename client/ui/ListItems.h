// Lists whose entries carry an Id as their item data (FXList, FXComboBox):
// the few helpers every window with such lists needs.
//
//   list->appendItem(rs.GetField("PlanName"), icon, (void*)(FXival)id);
//   lists::noCurrentItem(list);               // nothing chosen yet
//   lists::selectItem(list, lists::findItem(list, id));
//   FXint id = lists::itemId(list, list->getCurrentItem());
#ifndef PLENWICK_LISTITEMS_H
#define PLENWICK_LISTITEMS_H

#include <fx.h>

namespace lists {

// The Id an entry carries.
inline FX::FXint itemId(const FX::FXList* list, FX::FXint index) {
    return (FX::FXint)(FX::FXival)list->getItemData(index);
}
inline FX::FXint itemId(const FX::FXComboBox* combo, FX::FXint index) {
    return (FX::FXint)(FX::FXival)combo->getItemData(index);
}

// The index of the first entry carrying `id`, or -1.
inline FX::FXint findItem(const FX::FXList* list, FX::FXint id) {
    for (FX::FXint i = 0; i < list->getNumItems(); ++i)
        if (itemId(list, i) == id) return i;
    return -1;
}
inline FX::FXint findItem(const FX::FXComboBox* combo, FX::FXint id) {
    for (FX::FXint i = 0; i < combo->getNumItems(); ++i)
        if (itemId(combo, i) == id) return i;
    return -1;
}

// Selects, shows and makes current one entry; nothing for an index out of
// range.
inline void selectItem(FX::FXList* list, FX::FXint index) {
    if (index < 0 || index >= list->getNumItems()) return;
    list->killSelection();
    list->selectItem(index);
    list->setCurrentItem(index);
    list->makeItemVisible(index);
}

// No entry selected or current: a filled list has none until the user picks
// one, so that Edit and Delete never act on an entry nobody chose.
inline void noCurrentItem(FX::FXList* list) {
    list->killSelection();
    list->setCurrentItem(-1);
}

}  // namespace lists

#endif
