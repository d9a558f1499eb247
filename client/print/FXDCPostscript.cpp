#include "print/FXDCPostscript.h"

#include <cmath>
#include <cstdarg>
#include <cstring>
#include <string>

using namespace FX;

// Empty boxes start inverted so that the first point sets them.
void FXDCPostscript::resetBox(Box& b) {
    b.xmin = 1000000.0;
    b.xmax = -1000000.0;
    b.ymin = 1000000.0;
    b.ymax = -1000000.0;
}

FXDCPostscript::FXDCPostscript(FXApp* a)
    : FXDC(a), psout(nullptr), pxmin(0), pymin(0), pxmax(0), pymax(0), pagecount(0),
      pagesended(0) {
    resetBox(docbox);
    resetBox(pagebox);
}

FXDCPostscript::~FXDCPostscript() {
    if (psout) fclose(psout);
}

bool FXDCPostscript::open() const {
    if (psout) return true;
    fxwarning("FXDCPostscript: no output device has been selected.\n");
    return false;
}

// Every byte of output goes through here.
void FXDCPostscript::outf(const char* format, ...) {
    if (!open()) return;
    va_list args;
    va_start(args, format);
    vfprintf(psout, format, args);
    va_end(args);
}

void FXDCPostscript::setContentRange(FXint xmin, FXint ymin, FXint xmax, FXint ymax) {
    pxmin = xmin;
    pymin = ymin;
    pxmax = xmax;
    pymax = ymax;
}

// Drawing coordinates to PostScript coordinates; widens both boxes.
void FXDCPostscript::tfm(FXdouble& xo, FXdouble& yo, FXdouble xi, FXdouble yi) {
    xo = xi + 5.0;
    yo = (FXdouble)pymax - 40.0 - yi;
    for (Box* b : {&pagebox, &docbox}) {
        if (xo < b->xmin) b->xmin = xo;
        if (xo > b->xmax) b->xmax = xo;
        if (yo < b->ymin) b->ymin = yo;
        if (yo > b->ymax) b->ymax = yo;
    }
}

// A collected box in the default page coordinates: landscape pages are drawn
// rotated by 90 degrees about the media's lower right corner.
void FXDCPostscript::writeBox(const char* comment, const Box& b) const {
    if (!(b.xmin < b.xmax) || !(b.ymin < b.ymax)) {
        fprintf(psout, "%%%%%s: 0 0 100 100\n", comment);
        return;
    }
    FXdouble x0 = b.xmin, y0 = b.ymin, x1 = b.xmax, y1 = b.ymax;
    if (printer.flags & FXNativePrinter::LANDSCAPE) {
        FXdouble w = printer.mediawidth;
        x0 = w - b.ymax;
        x1 = w - b.ymin;
        y0 = b.xmin;
        y1 = b.xmax;
    }
    fprintf(psout, "%%%%%s: %d %d %d %d\n", comment, (int)floor(x0), (int)floor(y0), (int)ceil(x1), (int)ceil(y1));
}

FXbool FXDCPostscript::beginPrint(FXNativePrinter& job) {
    printer = job;
    if (!(job.flags & FXNativePrinter::DEST_FILE)) {
        // Printers are reached through the native printer device; only the
        // command such a job would use is kept.  The stored command is a
        // user's text, so only its first %s and %d are filled in.
        FXString cmd = getApp()->reg().readStringEntry("PRINTER", "command", "lpr -P%s -#%d");
        FXint s = cmd.find("%s");
        if (s >= 0) cmd.replace(s, 2, job.name);
        FXint d = cmd.find("%d");
        if (d >= 0) cmd.replace(d, 2, FXStringVal((FXint)job.numcopies));
        command = cmd;
        return false;
    }
    if (psout) fclose(psout);
    psout = fopen(job.name.text(), "w");
    if (!psout) return false;

    outf("%%!PS-Adobe-3.0\n");
    outf("%%%%Title: Print Job\n");
    outf("%%%%Creator: FOX GUI Toolkit Application\n");
    if (job.flags & FXNativePrinter::NOBOUNDS) {
        resetBox(docbox);
        outf("%%%%BoundingBox: (atend)\n");
    } else {
        docbox.xmin = job.leftmargin;
        docbox.xmax = job.mediawidth - job.rightmargin;
        docbox.ymin = job.bottommargin;
        docbox.ymax = job.mediaheight - job.topmargin;
        outf("%%%%BoundingBox: %d %d %d %d\n", (int)docbox.xmin, (int)docbox.ymin, (int)docbox.xmax,
             (int)docbox.ymax);
    }

    FXint span = (FXint)job.lastpage - (FXint)job.firstpage + 1;
    FXint selected = (FXint)job.topage - (FXint)job.frompage;
    if (job.flags & (FXNativePrinter::PAGES_EVEN | FXNativePrinter::PAGES_ODD))
        pagecount = selected / 2 + 1;
    else if (job.flags & FXNativePrinter::PAGES_RANGE)
        pagecount = selected + 1;
    else
        pagecount = span;
    if (pagecount > 0)
        outf("%%%%Pages: %d\n", pagecount);
    else
        outf("%%%%Pages: (atend)\n");

    outf("%%%%DocumentFonts:\n");
    outf("%%%%EndComments\n");
    outf("%%%%BeginProlog\n\n\n");
    writeProlog();
    outf("%%%%EndProlog\n");
    outf("%%%%BeginSetup\n");
    outf("/#copies %d def\n", (int)job.numcopies);
    outf("%%%%EndSetup\n");
    pagesended = 0;
    return true;
}

void FXDCPostscript::writeProlog() {
    outf("%% h w x y drawRect\n");
    outf("/drawRect {\n\tnewpath moveto dup 0 rlineto exch dup 0 exch\n\trlineto exch neg 0 rlineto neg 0 exch "
         "rlineto\n\tclosepath stroke\n} def\n");
    outf("%% h w x y fillRect\n");
    outf("/fillRect {\n\tnewpath moveto dup 0 rlineto exch dup 0 exch\n\trlineto exch neg 0 rlineto neg 0 exch "
         "rlineto\n\tclosepath fill stroke\n} def\n");
    outf("%% x y a b drawLine\n");
    outf("/drawLine {\n\tnewpath moveto lineto stroke\n} def\n");
    outf("%% x y ..... npoints drawLines\n");
    outf("/drawLines {\n\t3 1 roll newpath moveto {lineto} repeat stroke\n} def\n");
    outf("%% x y a b ..... nsegments drawSegmt\n");
    outf("/drawSegmt {\n\tnewpath {\n\t\tmoveto lineto\n\t} repeat stroke\n} def\n");
    outf("%% x y drawPoint\n");
    outf("/drawPoint {\n\ttranslate 1 1 scale 8 8 1 [ 8 0 0 8 0 0 ] {<0000>} image\n} def\n");
    outf("%% centerx centery  startAngle endAngle radiusX radiusY drawArc\n");
    outf("/drawArc {\n\tgsave dup 3 1 roll div dup 1 scale 6 -1 roll\n\texch div 5 1 roll  3 -2 roll arc stroke "
         "grestore\n} def\n");
    outf("/fillChord {\n\tgsave dup 3 1 roll div dup 1 scale 6 -1 roll\n\texch div 5 1 roll  3 -2 roll arc fill "
         "grestore\n} def\n");
    outf("%% (string) x y height drawText\n");
    outf("/drawText {\n\tgsave findfont exch scalefont setfont moveto\n\tshow grestore\n} def\n");
    // Grey conversion of colour image data for interpreters without colorimage.
    outf("/bwproc\n");
    outf("{\n\trgbproc\n\tdup length 3 idiv string 0 3 0\n\t5 -1 roll {\n\tadd 2 1 roll 1 sub dup 0 eq {\n"
         "\t\tpop 3 idiv\n\t\t3 -1 roll\n\t\tdup 4 -1 roll\n\t\tdup 3 1 roll\n\t\t5 -1 roll put\n"
         "\t\t1 add 3 0\n\t} { 2 1 roll } ifelse\n\t} forall\n\tpop pop pop\n} def\n");
    outf("systemdict /colorimage known not\n");
    outf("{\n\t/colorimage {\n\t\tpop\n\t\tpop\n\t\t/rgbproc exch def\n\t\t{ bwproc } image\n\t} def\n} if\n");
    outf("%% Color -  r g b C\n");
    outf("/C { setrgbcolor } bind def\n");
    outf("%% Point -  x y r g b P\n");
    outf("/P { C newpath 0.5 0.0 360.0 arc closepath fill } bind def\n");
    outf("%% Flat Shaded Line -  x2 y2 x1 y1 r g b L\n");
    outf("/L { C newpath moveto lineto stroke } bind def\n");
    outf("%% Smooth-shaded line -  x2 y2 r2 g2 b2 x1 y1 r1 g1 b1 SL\n");
    outf("/SL {\n"
         " /b1 exch def\n /g1 exch def\n /r1 exch def\n /y1 exch def\n /x1 exch def\n"
         " /b2 exch def\n /g2 exch def\n /r2 exch def\n /y2 exch def\n /x2 exch def\n\n"
         " b2 b1 sub abs 0.01 gt\n g2 g1 sub abs 0.005 gt\n r2 r1 sub abs 0.008 gt\n"
         "     or or {\n"
         "         /bm b1 b2 add 0.5 mul def\n         /gm g1 g2 add 0.5 mul def\n"
         "         /rm r1 r2 add 0.5 mul def\n         /ym y1 y2 add 0.5 mul def\n"
         "         /xm x1 x2 add 0.5 mul def\n\n"
         "         x1 y1 r1 g1 b1 xm ym rm gm bm\n"
         "         xm ym rm gm bm x2 y2 r2 g2 b2\n"
         "         SL SL\n"
         "     } {\n"
         "         x1 y1 x2 y2 r1 g1 b1 L\n"
         "     } ifelse\n"
         "} bind def\n");
    outf("%% Flat-shaded triangle - x3 y3 x2 y2 x1 y1 r g b T\n");
    outf("/T { C newpath moveto lineto lineto closepath fill } bind def\n");
    outf("%% Smooth-shaded triangle - x3 y3 r3 g3 b3 x2 y2 r2 g2 b2 x1 y1 r1 g1 b1 ST\n");
    outf("/ST {\n"
         " /b1 exch def\n /g1 exch def\n /r1 exch def\n /y1 exch def\n /x1 exch def\n"
         " /b2 exch def\n /g2 exch def\n /r2 exch def\n /y2 exch def\n /x2 exch def\n"
         " /b3 exch def\n /g3 exch def\n /r3 exch def\n /y3 exch def\n /x3 exch def\n\n"
         " b2 b1 sub abs 0.05 gt\n g2 g1 sub abs 0.017 gt\n r2 r1 sub abs 0.032 gt\n"
         " b3 b1 sub abs 0.05 gt\n g3 g1 sub abs 0.017 gt\n r3 r1 sub abs 0.032 gt\n"
         " b2 b3 sub abs 0.05 gt\n g2 g3 sub abs 0.017 gt\n r2 r3 sub abs 0.032 gt\n"
         " or or or or or or or or {\n"
         "         /b12 b1 b2 add 0.5 mul def\n         /g12 g1 g2 add 0.5 mul def\n"
         "         /r12 r1 r2 add 0.5 mul def\n         /y12 y1 y2 add 0.5 mul def\n"
         "         /x12 x1 x2 add 0.5 mul def\n"
         "         /b13 b1 b3 add 0.5 mul def\n         /g13 g1 g3 add 0.5 mul def\n"
         "         /r13 r1 r3 add 0.5 mul def\n         /y13 y1 y3 add 0.5 mul def\n"
         "         /x13 x1 x3 add 0.5 mul def\n"
         "         /b32 b3 b2 add 0.5 mul def\n         /g32 g3 g2 add 0.5 mul def\n"
         "         /r32 r3 r2 add 0.5 mul def\n         /y32 y3 y2 add 0.5 mul def\n"
         "         /x32 x3 x2 add 0.5 mul def\n\n"
         "         x13 y13 r13 g13 b13 x12 y12 r12 g12 b12 x1 y1 r1 g1 b1\n"
         "         x32 y32 r32 g32 b32 x12 y12 r12 g12 b12 x2 y2 r2 g2 b2\n"
         "         x13 y13 r13 g13 b13 x32 y32 r32 g32 b32 x3 y3 r3 g3 b3\n"
         "         x13 y13 r13 g13 b13 x12 y12 r12 g12 b12 x32 y32 r32 g32 b32\n"
         "         ST ST ST ST\n"
         "     } {\n"
         "         x1 y1 x2 y2 x3 y3 r1 g1 b1 T\n"
         "     } ifelse\n"
         "} bind def\n");
}

FXbool FXDCPostscript::beginPage(FXuint page) {
    if (!open()) return false;
    outf("%%%%Page: %d %d\n", (int)page, (int)page);
    if (printer.flags & FXNativePrinter::NOBOUNDS) {
        resetBox(pagebox);
        outf("%%%%PageBoundingBox: (atend)\n");
    } else {
        pagebox = docbox;
        outf("%%%%PageBoundingBox: %d %d %d %d\n", (int)pagebox.xmin, (int)pagebox.ymin, (int)pagebox.xmax,
             (int)pagebox.ymax);
    }
    outf("%%%%BeginPageSetup\n");
    outf("%%%%EndPageSetup\n");
    outf("gsave\n");
    if (printer.flags & FXNativePrinter::LANDSCAPE) {
        outf("%g %g translate\n", printer.mediawidth, 0.0);
        outf("90 rotate\n");
    }
    return true;
}

FXbool FXDCPostscript::endPage() {
    if (!open()) return false;
    outf("%%%%PageTrailer\n");
    if (printer.flags & FXNativePrinter::NOBOUNDS) writeBox("BoundingBox", pagebox);
    outf("showpage\n");
    outf("grestore\n");
    pagesended++;
    return true;
}

FXbool FXDCPostscript::endPrint() {
    if (!open()) return false;
    outf("%%%%Trailer\n");
    if (printer.flags & FXNativePrinter::NOBOUNDS) writeBox("BoundingBox", docbox);
    if (!(printer.flags & (FXNativePrinter::PAGES_EVEN | FXNativePrinter::PAGES_ODD | FXNativePrinter::PAGES_RANGE)))
        outf("%%%%Pages: %d\n", pagesended);
    outf("%%%%EOF\n");
    bool ok = !ferror(psout);
    ok = fclose(psout) == 0 && ok;
    psout = nullptr;
    return ok;
}

// ---- drawing -------------------------------------------------------------

void FXDCPostscript::drawPoint(FXint x, FXint y) {
    if (!open()) return;
    FXdouble xx, yy;
    tfm(xx, yy, x, y);
    outf("%g %g 0.5 0 360 arc fill\n", xx, yy);
}

void FXDCPostscript::drawPoints(const FXPoint* points, FXuint npoints) {
    for (FXuint i = 0; i < npoints; i++) drawPoint(points[i].x, points[i].y);
}

void FXDCPostscript::drawPointsRel(const FXPoint* points, FXuint npoints) {
    FXint x = 0, y = 0;
    for (FXuint i = 0; i < npoints; i++) {
        x += points[i].x;
        y += points[i].y;
        drawPoint(x, y);
    }
}

void FXDCPostscript::drawLine(FXint x1, FXint y1, FXint x2, FXint y2) {
    if (!open()) return;
    FXdouble xx1, yy1, xx2, yy2;
    tfm(xx1, yy1, x1, y1);
    tfm(xx2, yy2, x2, y2);
    outf("newpath %g %g moveto %g %g lineto stroke\n", xx1, yy1, xx2, yy2);
}

// Open or filled path through the points; relative points are offsets from
// the previous point.
void FXDCPostscript::polyPath(const FXPoint* points, FXuint npoints, bool relative, const char* ending) {
    if (!open() || npoints < 2) return;
    FXdouble xx, yy;
    FXint x = points[0].x, y = points[0].y;
    tfm(xx, yy, x, y);
    outf("newpath %g %g moveto", xx, yy);
    for (FXuint i = 1; i < npoints; i++) {
        if (relative) {
            x += points[i].x;
            y += points[i].y;
        } else {
            x = points[i].x;
            y = points[i].y;
        }
        tfm(xx, yy, x, y);
        outf(" %g %g lineto", xx, yy);
    }
    outf("%s", ending);
}

void FXDCPostscript::drawLines(const FXPoint* points, FXuint npoints) { polyPath(points, npoints, false, " stroke\n"); }
void FXDCPostscript::drawLinesRel(const FXPoint* points, FXuint npoints) {
    polyPath(points, npoints, true, " stroke\n");
}

// All segments go on the stack, then one drawSegmt draws them.
void FXDCPostscript::drawLineSegments(const FXSegment* segments, FXuint nsegments) {
    if (!open() || nsegments == 0) return;
    for (FXuint i = 0; i < nsegments; i++) {
        FXdouble xx1, yy1, xx2, yy2;
        tfm(xx1, yy1, segments[i].x1, segments[i].y1);
        tfm(xx2, yy2, segments[i].x2, segments[i].y2);
        outf("newpath %g %g %g %g ", xx1, yy1, xx2, yy2);
    }
    outf("%d drawSegmt\n", (int)nsegments);
}

void FXDCPostscript::rectanglePath(FXint x, FXint y, FXint w, FXint h, const char* ending) {
    if (!open()) return;
    FXdouble xl, yt, xr, yb;
    tfm(xl, yt, x, y);
    tfm(xr, yb, x + w - 1, y + h - 1);
    outf("newpath %g %g moveto %g %g lineto %g %g lineto %g %g lineto %g %g lineto%s", xl, yt, xr, yt, xr, yb, xl,
         yb, xl, yt, ending);
}

void FXDCPostscript::drawRectangle(FXint x, FXint y, FXint w, FXint h) { rectanglePath(x, y, w, h, " stroke\n"); }

void FXDCPostscript::drawRectangles(const FXRectangle* rectangles, FXuint nrectangles) {
    for (FXuint i = 0; i < nrectangles; i++)
        drawRectangle(rectangles[i].x, rectangles[i].y, rectangles[i].w, rectangles[i].h);
}

void FXDCPostscript::fillRectangle(FXint x, FXint y, FXint w, FXint h) { rectanglePath(x, y, w, h, " fill\n"); }

void FXDCPostscript::fillRectangles(const FXRectangle* rectangles, FXuint nrectangles) {
    for (FXuint i = 0; i < nrectangles; i++)
        fillRectangle(rectangles[i].x, rectangles[i].y, rectangles[i].w, rectangles[i].h);
}

// An arc of the ellipse in the box (x, y, w, h); a flat ellipse would make
// the procedure divide by zero, so it draws nothing.
void FXDCPostscript::arcPath(FXint x, FXint y, FXint w, FXint h, FXint ang1, FXint ang2, const char* procedure) {
    if (!open() || w <= 0 || h <= 0) return;
    FXdouble xx, yy;
    tfm(xx, yy, x + w / 2.0, y + h / 2.0);
    FXdouble dummyx, dummyy;
    tfm(dummyx, dummyy, x, y);  // the whole box belongs to the bounds
    tfm(dummyx, dummyy, x + w, y + h);
    outf("newpath %1.3f %1.3f %1.3f %1.3f %1.3f %1.3f %s\n", xx, yy, ang1 / 64.0, (ang1 + ang2) / 64.0, w / 2.0,
         h / 2.0, procedure);
}

void FXDCPostscript::drawArc(FXint x, FXint y, FXint w, FXint h, FXint ang1, FXint ang2) {
    arcPath(x, y, w, h, ang1, ang2, "drawArc");
}

void FXDCPostscript::drawArcs(const FXArc* arcs, FXuint narcs) {
    for (FXuint i = 0; i < narcs; i++) drawArc(arcs[i].x, arcs[i].y, arcs[i].w, arcs[i].h, arcs[i].a, arcs[i].b);
}

void FXDCPostscript::drawEllipse(FXint x, FXint y, FXint w, FXint h) { drawArc(x, y, w, h, 0, 64 * 360); }

void FXDCPostscript::fillArc(FXint x, FXint y, FXint w, FXint h, FXint ang1, FXint ang2) {
    if (!open() || w <= 0 || h <= 0) return;
    outf("gsave\n");
    arcPath(x, y, w, h, ang1, ang2, "fillChord");
    outf("grestore\n");
}

void FXDCPostscript::fillArcs(const FXArc* arcs, FXuint narcs) {
    for (FXuint i = 0; i < narcs; i++) fillArc(arcs[i].x, arcs[i].y, arcs[i].w, arcs[i].h, arcs[i].a, arcs[i].b);
}

void FXDCPostscript::fillChord(FXint x, FXint y, FXint w, FXint h, FXint ang1, FXint ang2) {
    fillArc(x, y, w, h, ang1, ang2);
}

void FXDCPostscript::fillChords(const FXArc* chords, FXuint nchords) { fillArcs(chords, nchords); }

void FXDCPostscript::fillEllipse(FXint x, FXint y, FXint w, FXint h) { fillArc(x, y, w, h, 0, 64 * 360); }

void FXDCPostscript::fillPolygon(const FXPoint* points, FXuint npoints) { polyPath(points, npoints, false, " fill\n"); }
void FXDCPostscript::fillConcavePolygon(const FXPoint* points, FXuint npoints) {
    polyPath(points, npoints, false, " fill\n");
}
void FXDCPostscript::fillComplexPolygon(const FXPoint* points, FXuint npoints) {
    polyPath(points, npoints, false, " fill\n");
}
void FXDCPostscript::fillPolygonRel(const FXPoint* points, FXuint npoints) {
    polyPath(points, npoints, true, " fill\n");
}
void FXDCPostscript::fillConcavePolygonRel(const FXPoint* points, FXuint npoints) {
    polyPath(points, npoints, true, " fill\n");
}
void FXDCPostscript::fillComplexPolygonRel(const FXPoint* points, FXuint npoints) {
    polyPath(points, npoints, true, " fill\n");
}

// The image as hexadecimal RGB rows; its lower-left corner is (dx, dy + height).
void FXDCPostscript::drawImage(const FXImage* image, FXint dx, FXint dy) {
    if (!open() || !image || !image->getData()) return;
    FXint w = image->getWidth(), h = image->getHeight();
    if (w <= 0 || h <= 0) return;
    FXdouble xx, yy, ex, ey;
    tfm(xx, yy, dx, dy + h);
    tfm(ex, ey, dx + w, dy);
    outf("gsave\n");
    outf("/picstr %d string def\n", 3 * w);
    outf("%g %g translate\n", xx, yy);
    outf("%d %d scale\n", w, h);
    outf("%d %d %d\n", w, h, 8);
    outf("[%d 0 0 -%d 0 %d]\n", w, h, h);
    outf("{currentfile picstr readhexstring pop}\n");
    outf("false %d\n", 3);
    outf("colorimage\n");
    const FXColor* pix = image->getData();
    for (FXint row = 0; row < h; row++) {
        for (FXint col = 0; col < w; col++) {
            FXColor c = pix[row * w + col];
            outf("%02x%02x%02x", FXREDVAL(c), FXGREENVAL(c), FXBLUEVAL(c));
        }
        outf("\n");
    }
    outf("grestore\n");
}

void FXDCPostscript::drawText(FXint x, FXint y, const FXString& string) {
    drawText(x, y, string.text(), string.length());
}

// The text as a PostScript string: backslashes doubled, parentheses escaped.
void FXDCPostscript::drawText(FXint x, FXint y, const FXchar* string, FXuint length) {
    if (!open()) return;
    std::string escaped;
    escaped.reserve(length + 8);
    for (FXuint i = 0; i < length; i++) {
        char c = string[i];
        if (c == '\\' || c == '(' || c == ')') escaped += '\\';
        escaped += c;
    }
    FXdouble xx, yy;
    tfm(xx, yy, x, y);
    int size = font ? (int)(font->getSize() / 10) : 12;
    FXString name = fontName(font);
    outf("(");
    fwrite(escaped.data(), 1, escaped.size(), psout);  // may hold NUL bytes
    outf(") %g %g %d /%s drawText\n", xx, yy, size, name.text());
}

void FXDCPostscript::drawImageText(FXint x, FXint y, const FXString& string) { drawText(x, y, string); }

void FXDCPostscript::drawImageText(FXint x, FXint y, const FXchar* string, FXuint length) {
    drawText(x, y, string, length);
}

// ---- attributes ----------------------------------------------------------

void FXDCPostscript::setForeground(FXColor clr) {
    fg = clr;
    if (!open()) return;
    outf("%g %g %g setrgbcolor\n", FXREDVAL(clr) / 255.0, FXGREENVAL(clr) / 255.0, FXBLUEVAL(clr) / 255.0);
}

void FXDCPostscript::setLineWidth(FXuint linewidth) {
    width = linewidth;
    if (!open()) return;
    outf("%d setlinewidth\n", (int)linewidth);
}

void FXDCPostscript::setLineCap(FXCapStyle capstyle) {
    cap = capstyle;
    if (!open()) return;
    int c = capstyle == CAP_PROJECTING ? 2 : capstyle == CAP_ROUND ? 1 : 0;
    outf("%d setlinecap\n", c);
}

void FXDCPostscript::setLineStyle(FXLineStyle linestyle) {
    style = linestyle;
    if (!open()) return;
    if (linestyle == LINE_SOLID) {
        outf("[ ] 0 setdash\n");
        return;
    }
    static const struct {
        FXuint len;
        FXchar pat[5];
        const char* text;
    } fixed[] = {
        {2, {2, 2}, "[2 2] 0 setdash\n"},
        {2, {3, 1}, "[3 1] 0 setdash\n"},
        {4, {3, 1, 1, 1}, "[3 1 1 1] 0 setdash\n"},
        {5, {3, 1, 1, 1, 1}, "[3 1 1 1 1] 0 setdash\n"},
    };
    if (dashoff == 0) {
        for (const auto& f : fixed) {
            if (f.len == dashlen && memcmp(f.pat, dashpat, dashlen) == 0) {
                outf("%s", f.text);
                return;
            }
        }
    }
    // The whole dash list; the offset says where in it the pattern starts.
    FXString list;
    for (FXuint i = 0; i < dashlen; i++) list += " " + FXStringVal((FXint)(FXuchar)dashpat[i]);
    outf("[%s] %d setdash\n", list.text(), (int)dashoff);
}

// ---- fonts -----------------------------------------------------------------

FXString FXDCPostscript::fontName(const FXFont* f) {
    if (!f) return "Times-Roman";
    return fontName(f->getName(), f->getWeight(), f->getSlant());
}

FXString FXDCPostscript::fontName(const FXString& family, FXuint weight, FXuint slant) {
    FXString fam = family;
    fam.lower();
    FXString name;
    if (fam == "times")
        name = "Times";
    else if (fam == "helvetica" || fam == "verdana" || fam == "tahoma" || fam == "arial")
        name = "Helvetica";
    else if (fam == "courier")
        name = "Courier";
    else
        name = "Times";
    // The toolkit's weights are DemiBold 60 and Bold 70 (600 and 700 in the
    // older numbering); its italic slants 8 and 2, oblique 9 and 1.
    bool bold = weight == FXFont::DemiBold || weight == FXFont::Bold || weight == 600 || weight == 700;
    bool italic = slant == FXFont::Italic || slant == FXFont::ReverseItalic;
    bool oblique = slant == FXFont::Oblique || slant == FXFont::ReverseOblique || slant == 3;
    if (bold) {
        if (italic)
            name += "-BoldItalic";
        else if (oblique)
            name += "-BoldOblique";
        else
            name += "-Bold";
    } else {
        if (italic)
            name += "-Italic";
        else if (oblique)
            name += "-Oblique";
    }
    // Times has no plain "Times" and no oblique faces; Helvetica and Courier
    // have no italic ones.
    if (name == "Times") name = "Times-Roman";
    if (name.left(5) == "Times") {
        name.substitute("Oblique", "Italic");
    } else {
        name.substitute("Italic", "Oblique");
    }
    return name;
}
