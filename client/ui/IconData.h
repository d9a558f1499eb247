// The program's icon-file images (see tools/make_icons.py).
#ifndef PLENWICK_ICONDATA_H
#define PLENWICK_ICONDATA_H

extern const unsigned char appIconData[];
extern const unsigned char planIconData[];
extern const unsigned char fileIconData[];
extern const unsigned char transferIconData[];
extern const unsigned char printIconData[];

#endif
