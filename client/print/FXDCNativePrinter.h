// The device context that report code draws into when it prints.  It sends
// the drawing to a PostScript file, a PDF file, an HTML file or a CUPS
// printer, as the printer description says, or into a print preview; report
// code draws in the job's units and never needs to know which.
//
//   FXDCNativePrinter dc(app);
//   if (dc.beginPrint(printer)) {
//       dc.beginPage(1);
//       draw(dc, dc.getContentWidth(), dc.getContentHeight());
//       if (dc.toHtml()) dc.writeTable(sql);
//       dc.endPage();
//       dc.endPrint();
//   }
//
// Windows do not write this themselves: PrintCommand.h runs the whole
// command (dialog, job, preview) around a routine like the one above.
//
// Geometry, the same on every destination: the drawing's (0, 0) is the
// top-left corner of the printable area (the paper inside its margins) and
// getContentWidth() x getContentHeight() is that area, so a page drawn
// within it lies on the paper.  Units: points for files (72 per inch), the
// screen's pixels for a printer (scaled to the printer) and for every job
// flagged SCREEN_UNITS, preview pixels scaled the same way as the
// destination being previewed.
#ifndef PLENWICK_FXDCNATIVEPRINTER_H
#define PLENWICK_FXDCNATIVEPRINTER_H

#include <fx.h>

#include <vector>

#include "print/FXNativePrinter.h"

class FXDCPostscript;
class FXDChtml;

class FXDCNativePrinter : public FX::FXDC {
public:
    enum Destination { TO_POSTSCRIPT = 0, TO_HTML = 1, TO_PRINTER = 2, TO_PDF = 3, NO_JOB = 4, TO_PREVIEW = 5 };

    explicit FXDCNativePrinter(FX::FXApp* a);
    ~FXDCNativePrinter() override;

    FX::FXbool beginPrint(FXNativePrinter& job);
    FX::FXbool beginPage(FX::FXuint page = 1);
    FX::FXbool endPage();
    FX::FXbool endPrint();
    // Ends the job without result: nothing is printed, a file being written
    // is removed.
    void abortPrint();

    // A preview of the job `job` describes: page `page` is drawn into
    // `image` (the printable area, `mmPerPixel` millimetres per image pixel,
    // already created), every other page into nothing; the pages are counted.
    FX::FXbool beginPreview(FXNativePrinter& job, FX::FXImage* image, FX::FXuint page, FX::FXdouble mmPerPixel);
    // Pages begun so far, and in a preview the numbers of those among them
    // that the job prints, in order.
    FX::FXuint getPagesBegun() const { return pagesbegun; }
    const std::vector<FX::FXuint>& getChosenPages() const { return chosenpages; }

    // Hands the statement to the HTML device; false for other destinations.
    FX::FXbool writeTable(const FX::FXString& sql);
    // The statement's rows added to the HTML table without a header row
    // (the later records of a report); false for other destinations.
    FX::FXbool writeTableRows(const FX::FXString& sql);

    Destination destination() const { return dctype; }
    // True when the job goes to an HTML file: callers hand it their tables.
    FX::FXbool toHtml() const { return dctype == TO_HTML; }

    // The area report code lays a page out in: the printable area, in the
    // job's units, with its top-left corner at (0, 0).
    FX::FXint getContentWidth() const { return pagewidth - leftmargin - rightmargin; }
    FX::FXint getContentHeight() const { return pageheight - topmargin - bottommargin; }

    // Page size and margins of the job, in screen pixels.
    FX::FXint getPageWidth() const { return pagewidth; }
    FX::FXint getPageHeight() const { return pageheight; }
    FX::FXint getLeftMargin() const { return leftmargin; }
    FX::FXint getRightMargin() const { return rightmargin; }
    FX::FXint getTopMargin() const { return topmargin; }
    FX::FXint getBottomMargin() const { return bottommargin; }
    FX::FXdouble getScaleX() const { return scalex; }

    // Draws everything `zoom` times larger (fonts and lines too) from the
    // printable area's corner: a drawing laid out for an area of
    // getContentWidth() / zoom x getContentHeight() / zoom fills the page.
    // Back to 1 with each new job.
    void setZoom(FX::FXdouble zoom);
    FX::FXdouble getZoom() const { return zoomFactor; }
    FX::FXdouble getScaleY() const { return scaley; }
    FX::FXint getPagesEnded() const { return pagesended; }

    // The screen's resolution in dots per inch: the resolution the toolkit
    // draws its fonts at (its SETTINGS/screenres, 100 unless set), so that
    // text measured on the screen fits the same space on paper; unless set here.
    void setScreenResolution(FX::FXint dpi) { screenres = dpi; }
    FX::FXint getScreenResolution() const;

    // The PDF converter (ps2pdf unless set here; for tests).
    static void setPdfConverter(const FX::FXString& program);
    // The program that opens a written PDF file (OPEN_AFTER): xdg-open unless
    // set here (for tests).  Nothing happens where it is not installed.
    static void setPdfViewer(const FX::FXString& program);

    // The CUPS job id of the last job sent to a printer (0 if none).
    FX::FXint lastJob() const { return jobid; }
    // The temporary PostScript file of a printer job (empty outside a job).
    const FX::FXString& spoolFile() const { return tmpname; }

    // Colour as it reaches the paper: grey unless colour printing is on.
    FX::FXColor deviceColor(FX::FXColor clr) const;

    // Drawing, forwarded after scaling.
    FX::FXColor readPixel(FX::FXint x, FX::FXint y) override;
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

    // Attributes, forwarded.
    void setForeground(FX::FXColor clr) override;
    void setBackground(FX::FXColor clr) override;
    void setDashes(FX::FXuint dashoffset, const FX::FXchar* dashpattern, FX::FXuint dashlength) override;
    void setLineWidth(FX::FXuint linewidth = 0) override;
    void setLineCap(FX::FXCapStyle capstyle = FX::CAP_BUTT) override;
    void setLineJoin(FX::FXJoinStyle joinstyle = FX::JOIN_MITER) override;
    void setLineStyle(FX::FXLineStyle linestyle = FX::LINE_SOLID) override;
    void setFillStyle(FX::FXFillStyle fillstyle = FX::FILL_SOLID) override;
    void setFillRule(FX::FXFillRule fillrule = FX::RULE_EVEN_ODD) override;
    void setFunction(FX::FXFunction func = FX::BLT_SRC) override;
    void setClipRectangle(FX::FXint x, FX::FXint y, FX::FXint w, FX::FXint h) override;
    void setClipRectangle(const FX::FXRectangle& rectangle) override;
    void clearClipRectangle() override;
    void setFont(FX::FXFont* fnt) override;

    // Point size the destination's copy of a font gets, so that it prints at
    // the size it has on the screen.
    FX::FXint deviceFontSize(FX::FXuint decipoints) const;

private:
    Destination dctype;
    FX::FXDC* dc;  // the inner device receiving the calls
    FXDCPostscript* ps;
    FXDChtml* html;
    FXNativePrinter printer;
    FX::FXint printerres;  // dots per inch of the destination
    FX::FXint screenres;   // 0: ask the display
    FX::FXint activeScreenres;
    FX::FXdouble scalex, scaley;  // destination dots per screen pixel
    FX::FXdouble zoomFactor = 1.0;
    FX::FXuint currentPage = 0;
    FX::FXFont* footerFont = nullptr;
    void drawFooter();
    FX::FXdouble mmperdot, mmperpixel;
    FX::FXint offx, offy;  // device origin of the printable area
    FX::FXint pagewidth, pageheight;
    FX::FXint leftmargin, rightmargin, topmargin, bottommargin;
    FX::FXint pagesended;
    FX::FXuint pagesbegun;
    std::vector<FX::FXuint> chosenpages;
    FX::FXFont* devfont;   // the destination's copy of the current font
    FX::FXString tmpname;  // the spool file of a printer or PDF job
    FX::FXint jobid;
    FX::FXDC* previewdc;  // a window context on the preview image
    FX::FXImage* previewimage;
    FX::FXuint previewpage;
    FX::FXdouble previewmm;  // millimetres per preview pixel

    FX::FXint sx(FX::FXint x) const { return (FX::FXint)(x * scalex) + offx; }
    FX::FXint sy(FX::FXint y) const { return (FX::FXint)(y * scaley) + offy; }
    FX::FXint sw(FX::FXint w) const { return (FX::FXint)(w * scalex); }
    FX::FXint sh(FX::FXint h) const { return (FX::FXint)(h * scaley); }

    // Point lists scaled in a fixed buffer, longer ones in one of their own.
    class ScaledPoints;
    void warn(const FX::FXString& text);
    // "Cannot write FILE: REASON." for the job's file.
    void cannotWrite(const FX::FXString& reason);
    FX::FXint unitsPerInch(const FXNativePrinter& job, FX::FXbool printer) const;
    void layout(const FXNativePrinter& job, FX::FXint unitsPerInch);
    FX::FXbool startPostscript(FXNativePrinter& job, Destination to);
    FX::FXbool makeSpoolFile();
    FX::FXbool makePdf();
    void openPdf();
    void releaseJob();
    void applyLineWidth();
};

#endif
