#include "print/FXDCNativePrinter.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "print/CupsPrinting.h"
#include "print/FXDCPostscript.h"
#include "print/FXDChtml.h"
#include "data/Prompter.h"

using namespace FX;

// A point list scaled for the destination: up to 128 points in a fixed
// buffer, longer lists in a buffer of their own.  Relative lists keep their
// first point absolute and scale the offsets that follow.
class FXDCNativePrinter::ScaledPoints {
public:
    ScaledPoints(const FXDCNativePrinter& p, const FXPoint* points, FXuint n, bool relative) : count(n) {
        if (n > 128) {
            heap.resize(n);
            data = heap.data();
        } else {
            data = fixed;
        }
        for (FXuint i = 0; i < n; i++) {
            if (relative && i > 0) {
                data[i].x = (FXshort)p.sw(points[i].x);
                data[i].y = (FXshort)p.sh(points[i].y);
            } else {
                data[i].x = (FXshort)p.sx(points[i].x);
                data[i].y = (FXshort)p.sy(points[i].y);
            }
        }
    }
    FXPoint* data;
    FXuint count;

private:
    FXPoint fixed[128];
    std::vector<FXPoint> heap;
};

FXDCNativePrinter::FXDCNativePrinter(FXApp* a)
    : FXDC(a), dctype(NO_JOB), dc(nullptr), ps(nullptr), html(nullptr), printerres(72), screenres(0),
      activeScreenres(72), scalex(1.0), scaley(1.0), mmperdot(25.4 / 72), mmperpixel(25.4 / 72), offx(0), offy(0),
      pagewidth(0), pageheight(0), leftmargin(0), rightmargin(0), topmargin(0), bottommargin(0), pagesended(0),
      devfont(nullptr), jobid(0) {}

FXDCNativePrinter::~FXDCNativePrinter() {
    if (dctype != NO_JOB) endPrint();
    releaseJob();
}

FXint FXDCNativePrinter::getScreenResolution() const {
    if (screenres > 0) return screenres;
    Display* display = (Display*)getApp()->getDisplay();
    if (display) {
        int screen = DefaultScreen(display);
        int mm = DisplayWidthMM(display, screen);
        if (mm > 0) {
            FXint dpi = (FXint)lround(DisplayWidth(display, screen) * 25.4 / mm);
            if (dpi > 0) return dpi;
        }
    }
    return 96;
}

void FXDCNativePrinter::warn(const FXString& text) {
    Prompter::get().warning(nullptr, getApp()->getAppName(), text);
}

void FXDCNativePrinter::releaseJob() {
    delete ps;
    ps = nullptr;
    delete html;
    html = nullptr;
    dc = nullptr;
    delete devfont;
    devfont = nullptr;
    if (!tmpname.empty()) {
        unlink(tmpname.text());
        tmpname = FXString();
    }
}

FXColor FXDCNativePrinter::deviceColor(FXColor clr) const {
    if (printer.flags & FXNativePrinter::COLOR) return clr;
    FXint grey = (FXint)lround(0.3 * FXREDVAL(clr) + 0.59 * FXGREENVAL(clr) + 0.11 * FXBLUEVAL(clr));
    if (grey > 255) grey = 255;
    return FXRGBA(grey, grey, grey, FXALPHAVAL(clr));
}

// Both file and printer jobs are drawn by the PostScript device.  A file job
// draws in points with the drawing's origin where the PostScript device puts
// it; a printer job draws in screen pixels scaled to points, with the origin
// at the printable area's top-left corner.
FXbool FXDCNativePrinter::startPostscript(FXNativePrinter& job, FXbool toPrinter) {
    FXdouble mw = job.mediawidth, mh = job.mediaheight;
    FXdouble lm = job.leftmargin, rm = job.rightmargin, tm = job.topmargin, bm = job.bottommargin;
    if (job.flags & FXNativePrinter::LANDSCAPE) {
        std::swap(mw, mh);
        std::swap(lm, tm);
    }
    printerres = 72;
    FXNativePrinter psjob = job;
    if (toPrinter) {
        activeScreenres = getScreenResolution();
        scalex = scaley = (FXdouble)printerres / activeScreenres;
        // Physical page, printable area beside the offsets, all in dots.
        FXdouble printableW = mw - lm - rm, printableH = mh - tm - bm;
        pagewidth = (FXint)floor(mw * activeScreenres / printerres);
        pageheight = (FXint)floor(mh * activeScreenres / printerres);
        leftmargin = (FXint)ceil(lm * activeScreenres / printerres);
        topmargin = (FXint)ceil(tm * activeScreenres / printerres);
        rightmargin = (FXint)ceil((mw - lm - printableW) * activeScreenres / printerres);
        bottommargin = (FXint)ceil((mh - tm - printableH) * activeScreenres / printerres);
        offx = (FXint)lm - 5;
        offy = (FXint)tm - 40;
        psjob.flags = (job.flags & ~(FXNativePrinter::DEST_HTML)) | FXNativePrinter::DEST_FILE;
        psjob.numcopies = 1;  // CUPS makes the copies
        char path[] = "/tmp/plenwick-printXXXXXX";
        int fd = mkstemp(path);
        if (fd < 0) {
            warn("Cannot start document printing");
            return false;
        }
        close(fd);
        tmpname = path;
        psjob.name = tmpname;
    } else {
        activeScreenres = printerres;
        scalex = scaley = 1.0;
        pagewidth = (FXint)mw;
        pageheight = (FXint)mh;
        leftmargin = (FXint)lm;
        rightmargin = (FXint)rm;
        topmargin = (FXint)tm;
        bottommargin = (FXint)bm;
        offx = offy = 0;
    }
    mmperdot = 25.4 / printerres;
    mmperpixel = 25.4 / activeScreenres;
    ps = new FXDCPostscript(getApp());
    ps->setContentRange((FXint)lm, (FXint)tm, (FXint)mw, (FXint)mh);
    if (!ps->beginPrint(psjob)) {
        if (toPrinter) warn("Cannot start document printing");
        releaseJob();
        return false;
    }
    dc = ps;
    return true;
}

FXbool FXDCNativePrinter::beginPrint(FXNativePrinter& job) {
    if (dctype != NO_JOB) endPrint();
    jobid = 0;
    pagesended = 0;
    if (job.name.empty()) {
        warn("Please define a printer first!");
        return false;
    }
    printer = job;
    if (job.flags & FXNativePrinter::DEST_FILE) {
        if (!startPostscript(job, false)) return false;
        dctype = TO_POSTSCRIPT;
    } else if (job.flags & FXNativePrinter::DEST_HTML) {
        html = new FXDChtml(getApp());
        if (!html->beginPrint(job.name)) {
            releaseJob();
            return false;
        }
        printerres = activeScreenres = 72;
        scalex = scaley = 1.0;
        offx = offy = 0;
        pagewidth = (FXint)((job.flags & FXNativePrinter::LANDSCAPE) ? job.mediaheight : job.mediawidth);
        pageheight = (FXint)((job.flags & FXNativePrinter::LANDSCAPE) ? job.mediawidth : job.mediaheight);
        leftmargin = (FXint)job.leftmargin;
        rightmargin = (FXint)job.rightmargin;
        topmargin = (FXint)job.topmargin;
        bottommargin = (FXint)job.bottommargin;
        dc = html;
        dctype = TO_HTML;
    } else {
        if (!cupsprint::printerExists(job.name)) {
            warn("Cannot create printer dc.");
            return false;
        }
        if (!startPostscript(job, true)) return false;
        dctype = TO_PRINTER;
    }
    setForeground(FXRGB(0, 0, 0));
    setBackground(FXRGB(255, 255, 255));
    if (font) setFont(font);
    return true;
}

FXbool FXDCNativePrinter::beginPage(FXuint page) {
    switch (dctype) {
        case TO_POSTSCRIPT:
        case TO_PRINTER:
            if (!ps->beginPage(page)) {
                if (dctype == TO_PRINTER) endPrint();
                return false;
            }
            // A new page starts with the job's colour and font again.
            ps->setForeground(deviceColor(fg));
            return true;
        case TO_HTML: return html->beginPage(page);
        default: return false;
    }
}

FXbool FXDCNativePrinter::endPage() {
    switch (dctype) {
        case TO_POSTSCRIPT:
        case TO_PRINTER:
            if (!ps->endPage()) return false;
            pagesended++;
            return true;
        case TO_HTML:
            pagesended++;
            return html->endPage();
        default: return false;
    }
}

FXbool FXDCNativePrinter::endPrint() {
    Destination was = dctype;
    dctype = NO_JOB;
    FXbool ok = true;
    switch (was) {
        case TO_POSTSCRIPT: ok = ps->endPrint(); break;
        case TO_HTML: ok = html->endPrint(); break;
        case TO_PRINTER:
            ok = ps->endPrint();
            if (!ok) {
                warn("Cannot start document printing");
            } else if (pagesended > 0) {
                FXString error;
                jobid = cupsprint::submit(printer, tmpname, "Document", error);
                if (!jobid) {
                    warn("Cannot print on " + printer.name + ": " + error);
                    ok = false;
                }
            }
            break;
        default: ok = false; break;
    }
    releaseJob();
    return ok;
}

FXbool FXDCNativePrinter::writeTable(const FXString& sql) {
    if (dctype != TO_HTML) return false;
    return html->writeTable(sql);
}

// ---- drawing ---------------------------------------------------------------

FXColor FXDCNativePrinter::readPixel(FXint, FXint) { return 0; }

void FXDCNativePrinter::drawPoint(FXint x, FXint y) {
    if (dc) dc->drawPoint(sx(x), sy(y));
}

void FXDCNativePrinter::drawPoints(const FXPoint* points, FXuint npoints) {
    if (!dc) return;
    ScaledPoints p(*this, points, npoints, false);
    dc->drawPoints(p.data, p.count);
}

void FXDCNativePrinter::drawPointsRel(const FXPoint* points, FXuint npoints) {
    if (!dc) return;
    ScaledPoints p(*this, points, npoints, true);
    dc->drawPointsRel(p.data, p.count);
}

void FXDCNativePrinter::drawLine(FXint x1, FXint y1, FXint x2, FXint y2) {
    if (dc) dc->drawLine(sx(x1), sy(y1), sx(x2), sy(y2));
}

void FXDCNativePrinter::drawLines(const FXPoint* points, FXuint npoints) {
    if (!dc) return;
    ScaledPoints p(*this, points, npoints, false);
    dc->drawLines(p.data, p.count);
}

void FXDCNativePrinter::drawLinesRel(const FXPoint* points, FXuint npoints) {
    if (!dc) return;
    ScaledPoints p(*this, points, npoints, true);
    dc->drawLinesRel(p.data, p.count);
}

void FXDCNativePrinter::drawLineSegments(const FXSegment* segments, FXuint nsegments) {
    if (!dc) return;
    std::vector<FXSegment> s(nsegments);
    for (FXuint i = 0; i < nsegments; i++) {
        s[i].x1 = (FXshort)sx(segments[i].x1);
        s[i].y1 = (FXshort)sy(segments[i].y1);
        s[i].x2 = (FXshort)sx(segments[i].x2);
        s[i].y2 = (FXshort)sy(segments[i].y2);
    }
    dc->drawLineSegments(s.data(), nsegments);
}

void FXDCNativePrinter::drawRectangle(FXint x, FXint y, FXint w, FXint h) {
    if (dc) dc->drawRectangle(sx(x), sy(y), sw(w), sh(h));
}

void FXDCNativePrinter::drawRectangles(const FXRectangle* rectangles, FXuint nrectangles) {
    for (FXuint i = 0; i < nrectangles; i++)
        drawRectangle(rectangles[i].x, rectangles[i].y, rectangles[i].w, rectangles[i].h);
}

void FXDCNativePrinter::drawArc(FXint x, FXint y, FXint w, FXint h, FXint ang1, FXint ang2) {
    if (dc) dc->drawArc(sx(x), sy(y), sw(w), sh(h), ang1, ang2);
}

void FXDCNativePrinter::drawArcs(const FXArc* arcs, FXuint narcs) {
    for (FXuint i = 0; i < narcs; i++) drawArc(arcs[i].x, arcs[i].y, arcs[i].w, arcs[i].h, arcs[i].a, arcs[i].b);
}

void FXDCNativePrinter::drawEllipse(FXint x, FXint y, FXint w, FXint h) {
    if (dc) dc->drawEllipse(sx(x), sy(y), sw(w), sh(h));
}

void FXDCNativePrinter::fillRectangle(FXint x, FXint y, FXint w, FXint h) {
    if (dc) dc->fillRectangle(sx(x), sy(y), sw(w), sh(h));
}

void FXDCNativePrinter::fillRectangles(const FXRectangle* rectangles, FXuint nrectangles) {
    for (FXuint i = 0; i < nrectangles; i++)
        fillRectangle(rectangles[i].x, rectangles[i].y, rectangles[i].w, rectangles[i].h);
}

void FXDCNativePrinter::fillChord(FXint x, FXint y, FXint w, FXint h, FXint ang1, FXint ang2) {
    if (dc) dc->fillChord(sx(x), sy(y), sw(w), sh(h), ang1, ang2);
}

void FXDCNativePrinter::fillChords(const FXArc* chords, FXuint nchords) {
    for (FXuint i = 0; i < nchords; i++)
        fillChord(chords[i].x, chords[i].y, chords[i].w, chords[i].h, chords[i].a, chords[i].b);
}

void FXDCNativePrinter::fillArc(FXint x, FXint y, FXint w, FXint h, FXint ang1, FXint ang2) {
    if (dc) dc->fillArc(sx(x), sy(y), sw(w), sh(h), ang1, ang2);
}

void FXDCNativePrinter::fillArcs(const FXArc* arcs, FXuint narcs) {
    for (FXuint i = 0; i < narcs; i++) fillArc(arcs[i].x, arcs[i].y, arcs[i].w, arcs[i].h, arcs[i].a, arcs[i].b);
}

void FXDCNativePrinter::fillEllipse(FXint x, FXint y, FXint w, FXint h) {
    if (dc) dc->fillEllipse(sx(x), sy(y), sw(w), sh(h));
}

void FXDCNativePrinter::fillPolygon(const FXPoint* points, FXuint npoints) {
    if (!dc) return;
    ScaledPoints p(*this, points, npoints, false);
    dc->fillPolygon(p.data, p.count);
}

void FXDCNativePrinter::fillConcavePolygon(const FXPoint* points, FXuint npoints) {
    if (!dc) return;
    ScaledPoints p(*this, points, npoints, false);
    dc->fillConcavePolygon(p.data, p.count);
}

void FXDCNativePrinter::fillComplexPolygon(const FXPoint* points, FXuint npoints) {
    if (!dc) return;
    ScaledPoints p(*this, points, npoints, false);
    dc->fillComplexPolygon(p.data, p.count);
}

void FXDCNativePrinter::fillPolygonRel(const FXPoint* points, FXuint npoints) {
    if (!dc) return;
    ScaledPoints p(*this, points, npoints, true);
    dc->fillPolygonRel(p.data, p.count);
}

void FXDCNativePrinter::fillConcavePolygonRel(const FXPoint* points, FXuint npoints) {
    if (!dc) return;
    ScaledPoints p(*this, points, npoints, true);
    dc->fillConcavePolygonRel(p.data, p.count);
}

void FXDCNativePrinter::fillComplexPolygonRel(const FXPoint* points, FXuint npoints) {
    if (!dc) return;
    ScaledPoints p(*this, points, npoints, true);
    dc->fillComplexPolygonRel(p.data, p.count);
}

void FXDCNativePrinter::drawImage(const FXImage* image, FXint dx, FXint dy) {
    if (dc) dc->drawImage(image, sx(dx), sy(dy));
}

void FXDCNativePrinter::drawText(FXint x, FXint y, const FXString& string) {
    if (dc) dc->drawText(sx(x), sy(y), string);
}

void FXDCNativePrinter::drawText(FXint x, FXint y, const FXchar* string, FXuint length) {
    if (dc) dc->drawText(sx(x), sy(y), string, length);
}

void FXDCNativePrinter::drawImageText(FXint x, FXint y, const FXString& string) {
    if (dc) dc->drawImageText(sx(x), sy(y), string);
}

void FXDCNativePrinter::drawImageText(FXint x, FXint y, const FXchar* string, FXuint length) {
    if (dc) dc->drawImageText(sx(x), sy(y), string, length);
}

// ---- attributes ------------------------------------------------------------

void FXDCNativePrinter::setForeground(FXColor clr) {
    fg = clr;
    if (dc) dc->setForeground(deviceColor(clr));
}

void FXDCNativePrinter::setBackground(FXColor clr) {
    bg = clr;
    if (dc) dc->setBackground(deviceColor(clr));
}

void FXDCNativePrinter::setDashes(FXuint dashoffset, const FXchar* dashpattern, FXuint dashlength) {
    FXDC::setDashes(dashoffset, dashpattern, dashlength);
    if (dc) dc->setDashes(dashoffset, dashpattern, dashlength);
}

void FXDCNativePrinter::setLineWidth(FXuint linewidth) {
    width = linewidth;
    if (dc) dc->setLineWidth((FXuint)sw((FXint)linewidth));
}

void FXDCNativePrinter::setLineCap(FXCapStyle capstyle) {
    cap = capstyle;
    if (dc) dc->setLineCap(capstyle);
}

void FXDCNativePrinter::setLineJoin(FXJoinStyle joinstyle) {
    join = joinstyle;
    if (dc) dc->setLineJoin(joinstyle);
}

void FXDCNativePrinter::setLineStyle(FXLineStyle linestyle) {
    style = linestyle;
    if (dc) dc->setLineStyle(linestyle);
}

void FXDCNativePrinter::setFillStyle(FXFillStyle fillstyle) {
    fill = fillstyle;
    if (dc) dc->setFillStyle(fillstyle);
}

void FXDCNativePrinter::setFillRule(FXFillRule fillrule) {
    rule = fillrule;
    if (dc) dc->setFillRule(fillrule);
}

void FXDCNativePrinter::setFunction(FXFunction func) {
    rop = func;
    if (dc) dc->setFunction(func);
}

void FXDCNativePrinter::setClipRectangle(FXint x, FXint y, FXint w, FXint h) {
    clip.x = x;
    clip.y = y;
    clip.w = w;
    clip.h = h;
    if (dc) dc->setClipRectangle(sx(x), sy(y), sw(w), sh(h));
}

void FXDCNativePrinter::setClipRectangle(const FXRectangle& rectangle) {
    setClipRectangle(rectangle.x, rectangle.y, rectangle.w, rectangle.h);
}

void FXDCNativePrinter::clearClipRectangle() {
    if (dc) dc->clearClipRectangle();
}

// The screen draws a font of p points p * screenres / 72 pixels high; the
// destination's copy is sized so that it covers the same length on paper:
// size * 0.1 * scale in destination dots per screen pixel, expressed in
// the destination's points.
FXint FXDCNativePrinter::deviceFontSize(FXuint decipoints) const {
    return (FXint)lround(decipoints * 0.1 * scalex * activeScreenres / printerres);
}

void FXDCNativePrinter::setFont(FXFont* fnt) {
    font = fnt;
    if (!dc || !fnt) return;
    FXFont* copy = new FXFont(getApp(), fnt->getName(), (FXuint)deviceFontSize(fnt->getSize()), fnt->getWeight(),
                              fnt->getSlant(), fnt->getEncoding(), fnt->getSetWidth(), fnt->getHints());
    dc->setFont(copy);
    delete devfont;
    devfont = copy;
}
