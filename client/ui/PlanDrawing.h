// What the week plan and the term view draw and pick alike: plans painted in
// colours of their own, the line that reports a plan overlapping two others,
// texts cut to the cell they belong in, and a click mapped back to the plan
// whose colour is under the pointer.
//
//   dc.drawText(x + 2, y + 7, plandrawing::fitText(smallFont, name, width - 3));
//   FXString id = plandrawing::nearestPlan(planColours, 1, pixel);
#ifndef PLENWICK_PLANDRAWING_H
#define PLENWICK_PLANDRAWING_H

#include <fx.h>

#include "data/FXStringRecordset.h"

namespace plandrawing {

// A random light colour: red, green and blue each 155 + rand() % 100, drawn
// in that order.
FX::FXColor lightColour();

// The longest beginning of `text` (whole characters) that is at most
// `width` wide in `font`; empty when not even one character fits.
FX::FXString fitText(FX::FXFont* font, const FX::FXString& text, FX::FXint width);

// The error line above the grid: a white band (3, 43, width, 16) and, at
// baseline 55 from x = 13 in smallFont, "Error: " in red, the plan's name
// in black and " is overlapping two other plans. Change it's start or end
// dates." in red, cut where the band ends.
void drawOverlapError(FX::FXDC& dc, FX::FXint width, const FX::FXString& planName);
// The same band for another fault of a plan: "Error: ", the name, then
// `rest` (in red).
void drawPlanError(FX::FXDC& dc, FX::FXint width, const FX::FXString& planName, const FX::FXString& rest);

// The shading of a non-teaching day (the week grid's column, the term
// view's week mark): a light colour with a full blue channel, which no plan
// colour has (theirs stop at 254), so that a click on it picks no plan.
const FX::FXColor closedShade = FXRGB(226, 226, 255);
inline FX::FXbool isClosedShade(FX::FXColor pixel) {
    return FXREDVAL(pixel) == FXREDVAL(closedShade) && FXGREENVAL(pixel) == FXGREENVAL(closedShade) &&
           FXBLUEVAL(pixel) == FXBLUEVAL(closedShade);
}

// Black or white: a pixel that belongs to no plan (lines, texts, background).
inline FX::FXbool blackOrWhite(FX::FXColor pixel) {
    const FX::FXint sum = FXREDVAL(pixel) + FXGREENVAL(pixel) + FXBLUEVAL(pixel);
    return sum == 0 || sum == 765;
}

// Field 0 of the row of `list` whose colour (field `colourField`, decimal
// text) is nearest to `pixel` by |red| + |green| + |blue| difference,
// walking from the last row to the first so that among equals the row
// nearest the end wins; "0" when the list is empty.
FX::FXString nearestPlan(FXStringRecordset& list, FX::FXint colourField, FX::FXColor pixel);

}  // namespace plandrawing

#endif
