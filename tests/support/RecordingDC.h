// A drawing device for tests that keeps what is drawn on it: texts with
// their place, colour and font, and filled and outlined rectangles.
//
//   RecordingDC dc(app);
//   window->drawPlan(dc, W, H);
//   auto monday = dc.find("Monday 10/03/14");   // every text drawn so
#ifndef PLENWICK_RECORDING_DC_H
#define PLENWICK_RECORDING_DC_H

#include <fx.h>

#include <string>
#include <vector>

namespace testsupport {

class RecordingDC : public FX::FXDC {
public:
    struct Text {
        FX::FXint x, y;
        std::string text;
        FX::FXColor colour;
        FX::FXFont* font;
    };
    struct Rect {
        FX::FXint x, y, w, h;
        FX::FXColor colour;
        bool filled;
    };
    std::vector<Text> texts;
    std::vector<Rect> rects;

    explicit RecordingDC(FX::FXApp* app) : FX::FXDC(app) {}
    void drawText(FX::FXint x, FX::FXint y, const FX::FXString& s) override {
        texts.push_back({x, y, s.text(), getForeground(), getFont()});
    }
    void drawText(FX::FXint x, FX::FXint y, const FX::FXchar* s, FX::FXuint n) override {
        texts.push_back({x, y, std::string(s, n), getForeground(), getFont()});
    }
    void fillRectangle(FX::FXint x, FX::FXint y, FX::FXint w, FX::FXint h) override {
        rects.push_back({x, y, w, h, getForeground(), true});
    }
    void drawRectangle(FX::FXint x, FX::FXint y, FX::FXint w, FX::FXint h) override {
        rects.push_back({x, y, w, h, getForeground(), false});
    }
    std::vector<Text> find(const std::string& text) const {
        std::vector<Text> found;
        for (const auto& t : texts)
            if (t.text == text) found.push_back(t);
        return found;
    }
    void clear() {
        texts.clear();
        rects.clear();
    }
};

}  // namespace testsupport

#endif
