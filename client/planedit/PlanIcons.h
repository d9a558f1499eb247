// The small icons of the plan editor's lists, drawn as XPM images, made
// once per dialog and shared by its panes.
#ifndef PLENWICK_PLANICONS_H
#define PLENWICK_PLANICONS_H

#include <fx.h>

#include <array>

struct PlanIcons {
    FX::FXIcon* persistent;    // a long-term plan listed in every term (a blue pin)
    FX::FXIcon* exported;      // a unit plan marked for export (a green arrow leaving a tray)
    FX::FXIcon* imported;      // a unit plan imported from a transfer file (an orange arrow into a tray)
    FX::FXIcon* transferFile;  // a transfer file waiting in the transfer directory (a page, corner folded)
    FX::FXIcon* tick;          // a search result ticked for printing (a green tick)

    explicit PlanIcons(FX::FXApp* app);
    ~PlanIcons();
    PlanIcons(const PlanIcons&) = delete;
    PlanIcons& operator=(const PlanIcons&) = delete;
    void create();

private:
    std::array<FX::FXIcon*, 5> all() const { return {persistent, exported, imported, transferFile, tick}; }
};

#endif
