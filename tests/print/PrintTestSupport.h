// Shared pieces of the printing tests: the one application object, scratch
// files, Ghostscript and reading rendered pages back.
#ifndef PLENWICK_PRINT_TEST_SUPPORT_H
#define PLENWICK_PRINT_TEST_SUPPORT_H

#include <fx.h>

#include <string>
#include <vector>

#include "TestFiles.h"

namespace printtest {

// The application object of the test program (created in main); its
// registry lives in a private HOME.
FX::FXApp* app();
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
// Renders page 1 to PNG with Ghostscript's png16m device and reads it back.
bool renderPage(const std::string& file, Raster& raster, std::string* messages);

// Registry sections the tests use, emptied.
void clearPrinterSettings();

// Counts the occurrences of `needle` in `text`.
size_t count(const std::string& text, const std::string& needle);

}  // namespace printtest

#endif
