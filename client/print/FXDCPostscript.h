// A device context that writes every drawing call as PostScript text into a
// file, framed as a document with structuring comments.  A point (x, y) of
// the drawing lands at (x + 5, bottom - 40 - y) in PostScript units, bottom
// being the fourth value of the content range.
//
// The document states its paper and orientation and asks for that page
// size; its fonts are re-encoded to ISO Latin-1, the client's character set.
// Only the chosen pages are written (even, odd, ranges), in reverse for
// "Last Page First", each page carrying its whole drawing state, and every
// bounding box is the ink actually drawn.  So that the header can say all
// that, the pages are kept in a spool file until endPrint writes the
// document.
#ifndef PLENWICK_FXDCPOSTSCRIPT_H
#define PLENWICK_FXDCPOSTSCRIPT_H

#include <fx.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "print/FXNativePrinter.h"

class FXDCPostscript : public FX::FXDC {
public:
    explicit FXDCPostscript(FX::FXApp* a);
    ~FXDCPostscript() override;

    // Job and pages.  beginPrint opens the file of a PostScript-file job and
    // writes the header and prolog; any other destination gives false.
    FX::FXbool beginPrint(FXNativePrinter& job);
    FX::FXbool beginPage(FX::FXuint page = 1);
    FX::FXbool endPage();
    FX::FXbool endPrint();

    // Area the owner draws in: left, top, width and bottom.
    void setContentRange(FX::FXint pxmin, FX::FXint pymin, FX::FXint pxmax, FX::FXint pymax);

    // The command a printer job would use ("lpr -P%s -#%d" unless the
    // PRINTER/command setting says otherwise), formatted by the last
    // beginPrint that was not to a file.
    const FX::FXString& printCommand() const { return command; }

    // PostScript font name for a toolkit font ("Helvetica-Bold", "Times-Roman").
    static FX::FXString fontName(const FX::FXFont* font);
    static FX::FXString fontName(const FX::FXString& family, FX::FXuint weight, FX::FXuint slant);

    // The text as the device prints it in the font, in UTF-8: what its fonts
    // cannot show as a white square (U+25A1), characters that show nothing
    // (zero-width spaces, controls) left out.  The preview shows this.
    static FX::FXString shownText(const FX::FXFont* font, const FX::FXchar* text, FX::FXuint length);

    // Characters drawn on the written pages that no font could show (each
    // printed as the white square).
    FX::FXuint unprintedCount() const { return unprinted; }

    // Drawing.
    void drawPoint(FX::FXint x, FX::FXint y) override;
    void drawPoints(const FX::FXPoint* points, FX::FXuint npoints) override;
    void drawPointsRel(const FX::FXPoint* points, FX::FXuint npoints) override;
    void drawLine(FX::FXint x1, FX::FXint y1, FX::FXint x2, FX::FXint y2) override;
    void drawLines(const FX::FXPoint* points, FX::FXuint npoints) override;
    void drawLinesRel(const FX::FXPoint* points, FX::FXuint npoints) override;
    void drawLineSegments(const FX::FXSegment* segments, FX::FXuint nsegments) override;
    void drawRectangle(FX::FXint x, FX::FXint y, FX::FXint w, FX::FXint h) override;
    void drawRectangles(const FX::FXRectangle* rectangles, FX::FXuint nrectangles) override;
    void drawArc(FX::FXint x, FX::FXint y, FX::FXint w, FX::FXint h, FX::FXint ang1, FX::FXint ang2) override;
    void drawArcs(const FX::FXArc* arcs, FX::FXuint narcs) override;
    void drawEllipse(FX::FXint x, FX::FXint y, FX::FXint w, FX::FXint h) override;
    void fillRectangle(FX::FXint x, FX::FXint y, FX::FXint w, FX::FXint h) override;
    void fillRectangles(const FX::FXRectangle* rectangles, FX::FXuint nrectangles) override;
    void fillChord(FX::FXint x, FX::FXint y, FX::FXint w, FX::FXint h, FX::FXint ang1, FX::FXint ang2) override;
    void fillChords(const FX::FXArc* chords, FX::FXuint nchords) override;
    void fillArc(FX::FXint x, FX::FXint y, FX::FXint w, FX::FXint h, FX::FXint ang1, FX::FXint ang2) override;
    void fillArcs(const FX::FXArc* arcs, FX::FXuint narcs) override;
    void fillEllipse(FX::FXint x, FX::FXint y, FX::FXint w, FX::FXint h) override;
    void fillPolygon(const FX::FXPoint* points, FX::FXuint npoints) override;
    void fillConcavePolygon(const FX::FXPoint* points, FX::FXuint npoints) override;
    void fillComplexPolygon(const FX::FXPoint* points, FX::FXuint npoints) override;
    void fillPolygonRel(const FX::FXPoint* points, FX::FXuint npoints) override;
    void fillConcavePolygonRel(const FX::FXPoint* points, FX::FXuint npoints) override;
    void fillComplexPolygonRel(const FX::FXPoint* points, FX::FXuint npoints) override;
    void drawImage(const FX::FXImage* image, FX::FXint dx, FX::FXint dy) override;
    void drawText(FX::FXint x, FX::FXint y, const FX::FXString& string) override;
    void drawText(FX::FXint x, FX::FXint y, const FX::FXchar* string, FX::FXuint length) override;
    void drawImageText(FX::FXint x, FX::FXint y, const FX::FXString& string) override;
    void drawImageText(FX::FXint x, FX::FXint y, const FX::FXchar* string, FX::FXuint length) override;

    // Clipping: drawing after setClipRectangle shows only inside the
    // rectangle, until clearClipRectangle.
    void setClipRectangle(FX::FXint x, FX::FXint y, FX::FXint w, FX::FXint h) override;
    void setClipRectangle(const FX::FXRectangle& rectangle) override;
    void clearClipRectangle() override;

    // Attributes.
    void setForeground(FX::FXColor clr) override;
    void setLineWidth(FX::FXuint linewidth = 0) override;
    // A line width in points that need not be whole ("0.75 setlinewidth").
    void setLineWidthPoints(FX::FXdouble points);
    void setLineCap(FX::FXCapStyle capstyle = FX::CAP_BUTT) override;
    void setLineStyle(FX::FXLineStyle linestyle = FX::LINE_SOLID) override;

    // The C library's error number of the last beginPrint or endPrint that
    // failed to open or write the file (0 when they succeeded).
    int lastError() const { return error; }

    // Pages written to the file so far (chosen pages only).
    FX::FXint pagesWritten() const { return (FX::FXint)pages.size(); }

private:
    struct Box {
        FX::FXdouble xmin, xmax, ymin, ymax;
    };
    // A written page: its number, where its body lies in the spool, its ink.
    struct Page {
        FX::FXuint number;
        long start, end;
        Box box;
    };

    FILE* psout;  // the document
    FILE* spool;  // page bodies until endPrint
    FILE* sink;   // where output goes now; null between and in skipped pages
    FXNativePrinter printer;
    FX::FXint pxmin, pymin, pxmax, pymax;  // content range
    Box docbox, pagebox;
    bool inPage;
    FX::FXuint pageNumber;
    long pageStart;
    std::vector<Page> pages;
    std::vector<FX::FXString> fonts;  // fonts the written pages use
    FX::FXint pagesended;
    FX::FXdouble lineWidth;  // in points; PostScript starts at 1
    bool lineWidthSet;
    bool lineWidthFractional;
    FX::FXString command;
    int error = 0;
    // Glyphs beyond ISO Latin-1 the job uses, in the order of their slots,
    // and the (font, encoding) pairs that show them.
    std::vector<std::string> extGlyphs;
    std::map<std::string, FX::FXint> extSlots;
    std::vector<std::pair<FX::FXString, FX::FXint>> extFonts;
    FX::FXuint unprinted = 0;
    bool clipping = false;  // a clip rectangle (inside its own gsave) is in force
    Box clipBox;            // in PostScript coordinates
    void endClip();

    FX::FXint extendedSlot(const char* glyph);
    void useExtendedFont(const FX::FXString& name, FX::FXint encoding);
    static FX::FXString extendedFontName(const FX::FXString& name, FX::FXint encoding);
    void writeExtendedFonts();
    std::vector<FX::FXString> embeddedPrograms() const;

    void outf(const char* format, ...) FX_PRINTF(2, 3);
    bool open() const;
    void tfm(FX::FXdouble& xo, FX::FXdouble& yo, FX::FXdouble xi, FX::FXdouble yi);
    void ink(FX::FXdouble x0, FX::FXdouble y0, FX::FXdouble x1, FX::FXdouble y1);
    void inkAround(FX::FXdouble x, FX::FXdouble y, FX::FXdouble pad);
    void strokeInk(const FX::FXdouble* xy, FX::FXuint n);
    FX::FXdouble strokePad() const { return lineWidth > 0 ? lineWidth / 2 : 0; }
    static void resetBox(Box& b);
    void writeBox(const char* comment, const Box& b);
    void writeHeader();
    void writeSetup();
    void writePages();
    void writeProlog();
    void writeState();
    void writeLineWidth();
    void writeDashes();
    void useFont(const FX::FXString& name);
    void polyPath(const FX::FXPoint* points, FX::FXuint npoints, bool relative, bool stroke);
    void arcPath(FX::FXint x, FX::FXint y, FX::FXint w, FX::FXint h, FX::FXint ang1, FX::FXint ang2,
                 const char* procedure);
    void rectanglePath(FX::FXint x, FX::FXint y, FX::FXint w, FX::FXint h, bool stroke);
};

#endif
