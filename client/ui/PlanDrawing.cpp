#include "ui/PlanDrawing.h"

#include <cstdlib>

#include "data/Numbers.h"
#include "ui/AppResources.h"

using namespace FX;

namespace plandrawing {

FXColor lightColour() {
    const FXint r = 155 + rand() % 100;
    const FXint g = 155 + rand() % 100;
    const FXint b = 155 + rand() % 100;
    return FXRGB(r, g, b);
}

FXString fitText(FXFont* font, const FXString& text, FXint width) {
    if (font->getTextWidth(text) <= width) return text;
    // The longest fitting beginning, by halving; cuts only between characters.
    FXint fits = 0, tooLong = text.length();
    while (true) {
        FXint middle = text.validate((fits + tooLong) / 2);
        if (middle <= fits) middle = text.inc(fits);
        if (middle >= tooLong) break;
        if (font->getTextWidth(text.text(), middle) <= width)
            fits = middle;
        else
            tooLong = middle;
    }
    return text.left(fits);
}

void drawOverlapError(FXDC& dc, FXint width, const FXString& planName) {
    drawPlanError(dc, width, planName, " is overlapping two other plans. Change it's start or end dates.");
}

void drawPlanError(FXDC& dc, FXint width, const FXString& planName, const FXString& rest) {
    const FXColor red = FXRGB(255, 0, 0), black = FXRGB(0, 0, 0);
    dc.setForeground(FXRGB(255, 255, 255));
    dc.fillRectangle(3, 43, width, 16);
    dc.setFont(smallFont);
    const FXString pieces[3] = {"Error: ", planName, rest};
    const FXColor colours[3] = {red, black, red};
    const FXint end = 3 + width;
    FXint x = 13;
    for (int i = 0; i < 3 && x < end; ++i) {
        const FXString piece = fitText(smallFont, pieces[i], end - x);
        dc.setForeground(colours[i]);
        dc.drawText(x, 55, piece);
        x += smallFont->getTextWidth(piece);
    }
}

FXString nearestPlan(FXStringRecordset& list, FXint colourField, FXColor pixel) {
    FXString chosen = "0";
    FXint best = 9999;
    list.MoveLast();
    while (!list.bof) {
        const FXColor colour = (FXColor)decimalValue(list.GetField(colourField));
        const FXint distance = FXABS(FXREDVAL(pixel) - FXREDVAL(colour)) +
                               FXABS(FXGREENVAL(pixel) - FXGREENVAL(colour)) +
                               FXABS(FXBLUEVAL(pixel) - FXBLUEVAL(colour));
        if (distance < best) {
            best = distance;
            chosen = list.GetField(0);
        }
        list.MovePrevious();
    }
    return chosen;
}

}  // namespace plandrawing
