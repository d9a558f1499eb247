// Shared pieces of the printing tests: the one application object, scratch
// files, Ghostscript and reading rendered pages back.
#ifndef PLENWICK_PRINT_TEST_SUPPORT_H
#define PLENWICK_PRINT_TEST_SUPPORT_H

#include <fx.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "print/FXNativePrinter.h"

class FXDCNativePrinter;

#include "support/TestFiles.h"

namespace printtest {

// The application object of the test program (created in main); its
// registry lives in a private HOME.
FX::FXApp* app();
// For test programs with a main of their own (GUI tests against services):
// the helpers below use `application`, connected to a display or not.
void useApp(FX::FXApp* application, bool display);
// True when the application is connected to a display (Xvfb in the tests).
bool haveDisplay();

// A fresh directory for the calling test; all of them are removed when the
// test program ends.
std::string scratchDir();
void removeScratchDirs();
using testsupport::readFile;
using testsupport::writeFile;
bool fileExists(const std::string& path);

// Renders the PostScript (or PDF) file with Ghostscript on the null device;
// returns its exit status and puts its messages into `messages`.
int ghostscript(const std::string& file, std::string* messages);

// One page rendered at 72 dots per inch, as RGB bytes.
struct Raster {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    // Brightness 0..255 of the pixel at column x, row y (row 0 at the top).
    int grey(int x, int y) const;
    // Number of pixels darker than 128 in the box.
    int darkPixels(int x0, int y0, int x1, int y1) const;
};
// An image's pixels read back from the display (the image keeps its data).
Raster imageOf(FX::FXImage* image);
// The share of dark pixels of `a` that have a dark pixel of `b` within
// `reach` pixels, `b` shifted by (dx, dy).
double darkAgreement(const Raster& a, const Raster& b, int dx, int dy, int reach);
// Renders page `page` of a PostScript or PDF file at `dpi` dots an inch.
bool renderAt(const std::string& file, int page, double dpi, Raster& raster, std::string* messages = nullptr);

// Reads a PNG file.
bool loadPng(const std::string& png, Raster& raster);
// Renders page 1 to PNG with Ghostscript's png16m device and reads it back.
bool renderPage(const std::string& file, Raster& raster, std::string* messages);

// The ink Ghostscript's bbox device finds on each page of a PostScript or
// PDF file, in points (its high-resolution boxes); one entry per page, an
// empty page giving all zeros.  Empty when Ghostscript fails.
struct Box {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};
std::vector<Box> inkBoxes(const std::string& file, std::string* messages = nullptr);
// The pages Ghostscript renders from the file.
int pageCount(const std::string& file);
// The %%BoundingBox (or %%PageBoundingBox) comments of a PostScript file, in
// order, "(atend)" ones left out.
std::vector<Box> boundingBoxComments(const std::string& ps, const std::string& comment);

// The text of a PostScript file as ps2pdf and pdftotext read it (a PDF file
// is read directly); returns the exit status, the text in `text`.
int pdfText(const std::string& file, std::string& text);
// The words of a PostScript or PDF file as pdftotext places them: page
// (from 1), box in points from the top-left corner of the sheet, text.
struct Word {
    int page = 0;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    std::string text;
};
std::vector<Word> words(const std::string& file);
// The text with each line trimmed and empty lines and page breaks left out,
// every line ending in a line feed.
std::string squeeze(const std::string& text);

// A job to the file `file` (a PostScript file unless `flags` say otherwise)
// on Letter paper with margins of 72 points.
FXNativePrinter fileJob(const std::string& file, FX::FXuint flags = FXNativePrinter::DEST_FILE);

// Registry sections the tests use, emptied.
void clearPrinterSettings();

// Counts the occurrences of `needle` in `text`.
size_t count(const std::string& text, const std::string& needle);

// Checks of a PostScript or PDF file on Letter paper: Ghostscript renders
// it without error, it has `pages` pages, every page's ink lies on the sheet
// and the footer line ("... Brellmoor") is on every page, on the sheet.
void expectGoodLetterPages(const std::string& file, int pages);

// The print dialog answered as a user would (for ModalAnswer): the
// PostScript file (1), HTML file (2) or PDF file (3) `file`, then accepted.
std::function<void(FX::FXWindow*)> chooseFileAndPrint(int destination, const std::string& file);

// The first widget of type T under `root`.
template <class T>
T* findWidget(FX::FXWindow* root) {
    for (FX::FXWindow* w = root->getFirst(); w; w = w->getNext()) {
        if (T* t = dynamic_cast<T*>(w)) return t;
        if (T* inner = findWidget<T>(w)) return inner;
    }
    return nullptr;
}

// The first button of type T under `root` labelled `text`.
template <class T>
T* findButton(FX::FXWindow* root, const char* text) {
    for (FX::FXWindow* w = root->getFirst(); w; w = w->getNext()) {
        T* t = dynamic_cast<T*>(w);
        if (t && t->getText() == text) return t;
        if (T* inner = findButton<T>(w, text)) return inner;
    }
    return nullptr;
}

// Two pages of a report for the preview tests: on page 1 a row of boxes and
// a bar, on page 2 a block in the middle and a line, a frame and a title on
// both, drawn within the job's area in `font`.
void reportPages(FXDCNativePrinter& dc, FX::FXFont& font);

// Answers the next modal dialog that opens: when the event loop of that
// dialog goes idle, `answer` runs on it (for a dialog that a handler
// executes; `outer` is a dialog already open, not to be answered).
class ModalAnswer : public FX::FXObject {
    FXDECLARE(ModalAnswer)
public:
    enum { ID_IDLE = 1 };
    FX::FXWindow* outer = nullptr;
    std::function<void(FX::FXWindow*)> answer;
    bool answered = false;

    ModalAnswer() {}
    explicit ModalAnswer(std::function<void(FX::FXWindow*)> a, FX::FXWindow* already = nullptr)
        : outer(already), answer(std::move(a)) {}
    void arm();
    long onIdle(FX::FXObject*, FX::FXSelector, void*);
};

}  // namespace printtest

#endif
