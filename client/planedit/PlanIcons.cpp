#include "planedit/PlanIcons.h"

using namespace FX;

namespace {

const char* const pinXpm[] = {
    "16 16 4 1",        "  c None",         ". c #1E3C96",      "x c #5A82E6",      "o c #404040",
    "                ", "     ......     ", "    .xxxxxx.    ", "    .xxxxxx.    ", "     .xxxx.     ",
    "     .xxxx.     ", "     .xxxx.     ", "    .xxxxxx.    ", "   .xxxxxxxx.   ", "   ..........   ",
    "       oo       ", "       oo       ", "       oo       ", "       oo       ", "       o        ",
    "                ",
};

const char* const exportXpm[] = {
    "16 16 3 1",        "  c None",         "g c #1E8C28",      "t c #505050",      "                ",
    "       g        ", "      ggg       ", "     ggggg      ", "    ggggggg     ", "   ggggggggg    ",
    "      ggg       ", "      ggg       ", "      ggg       ", "      ggg       ", " t    ggg    t  ",
    " t           t  ", " t           t  ", " ttttttttttttt  ", " ttttttttttttt  ", "                ",
};

const char* const importedXpm[] = {
    "16 16 3 1",        "  c None",         "r c #D2641E",      "t c #505050",      "                ",
    "      rrr       ", "      rrr       ", "      rrr       ", "      rrr       ", "      rrr       ",
    "   rrrrrrrrr    ", "    rrrrrrr     ", "     rrrrr      ", "      rrr       ", " t     r     t  ",
    " t           t  ", " t           t  ", " ttttttttttttt  ", " ttttttttttttt  ", "                ",
};

const char* const transferFileXpm[] = {
    "16 16 4 1",        "  c None",         "k c #303030",      "w c #FFFFFF",      "l c #8C8C8C",
    "                ", "  kkkkkkkk      ", "  kwwwwwwkk     ", "  kwwwwwwkwk    ", "  kwllllwkkkk   ",
    "  kwwwwwwwwwk   ", "  kwllllllwwk   ", "  kwwwwwwwwwk   ", "  kwllllllwwk   ", "  kwwwwwwwwwk   ",
    "  kwllllllwwk   ", "  kwwwwwwwwwk   ", "  kwllllwwwwk   ", "  kwwwwwwwwwk   ", "  kkkkkkkkkkk   ",
    "                ",
};

const char* const tickXpm[] = {
    "16 16 2 1",        "  c None",         "g c #1E8C28",      "                ", "                ",
    "             gg ", "            ggg ", "           ggg  ", "          ggg   ", "  g      ggg    ",
    " ggg    ggg     ", "  ggg  ggg      ", "   ggggggg      ", "    ggggg       ", "     ggg        ",
    "      g         ", "                ", "                ", "                ",
};

FXIcon* make(FXApp* app, const char* const* xpm) {
    return app ? new FXXPMIcon(app, const_cast<const FXchar**>(xpm)) : nullptr;
}

}  // namespace

PlanIcons::PlanIcons(FXApp* app)
    : persistent(make(app, pinXpm)),
      exported(make(app, exportXpm)),
      imported(make(app, importedXpm)),
      transferFile(make(app, transferFileXpm)),
      tick(make(app, tickXpm)) {}

PlanIcons::~PlanIcons() {
    for (FXIcon* icon : all()) delete icon;
}

void PlanIcons::create() {
    for (FXIcon* icon : all())
        if (icon) icon->create();
}
