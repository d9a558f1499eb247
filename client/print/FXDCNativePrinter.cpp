#include "print/FXDCNativePrinter.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <utility>
#include <vector>

#include "data/Dates.h"
#include "data/Files.h"
#include "print/CupsPrinting.h"
#include "print/FXDCPostscript.h"
#include "print/FXDChtml.h"
#include "print/PrintText.h"
#include "ui/Prompter.h"

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

namespace {
FXString pdfConverter = "ps2pdf";
}

void FXDCNativePrinter::setPdfConverter(const FXString& program) { pdfConverter = program; }

namespace {
FXString pdfViewer = "xdg-open";
}

void FXDCNativePrinter::setPdfViewer(const FXString& program) { pdfViewer = program; }

// The viewer runs on its own (a shell starts it in the background and ends);
// the job does not wait for it.
void FXDCNativePrinter::openPdf() {
    const char* script = "command -v \"$0\" >/dev/null 2>&1 || exit 0; \"$0\" \"$1\" </dev/null >/dev/null 2>&1 &";
    FXString viewer = pdfViewer, file = printer.name;
    const char* argv[] = {"sh", "-c", script, viewer.text(), file.text(), nullptr};
    pid_t pid;
    if (posix_spawnp(&pid, "sh", nullptr, nullptr, (char* const*)argv, environ) != 0) return;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

FXDCNativePrinter::FXDCNativePrinter(FXApp* a)
    : FXDC(a),
      dctype(NO_JOB),
      dc(nullptr),
      ps(nullptr),
      html(nullptr),
      printerres(72),
      screenres(0),
      activeScreenres(72),
      scalex(1.0),
      scaley(1.0),
      mmperdot(25.4 / 72),
      mmperpixel(25.4 / 72),
      offx(0),
      offy(0),
      pagewidth(0),
      pageheight(0),
      leftmargin(0),
      rightmargin(0),
      topmargin(0),
      bottommargin(0),
      pagesended(0),
      pagesbegun(0),
      devfont(nullptr),
      jobid(0),
      previewdc(nullptr),
      previewimage(nullptr),
      previewpage(0),
      previewmm(1.0) {}

FXDCNativePrinter::~FXDCNativePrinter() {
    if (dctype != NO_JOB) endPrint();
    releaseJob();
}

FXint FXDCNativePrinter::getScreenResolution() const {
    if (screenres > 0) return screenres;
    FXint res = getApp()->reg().readIntEntry("SETTINGS", "screenres", 100);
    return res > 0 ? res : 100;
}

void FXDCNativePrinter::warn(const FXString& text) { Prompter::get().warning(nullptr, getApp()->getAppName(), text); }

void FXDCNativePrinter::cannotWrite(const FXString& reason) {
    warn("Cannot write " + printer.name + ": " + reason + ".");
}

void FXDCNativePrinter::releaseJob() {
    delete ps;
    ps = nullptr;
    delete html;
    html = nullptr;
    delete previewdc;
    previewdc = nullptr;
    previewimage = nullptr;
    dc = nullptr;
    delete devfont;
    devfont = nullptr;
    delete footerFont;
    footerFont = nullptr;
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

// The job's units: the screen's pixels for a printer and where the job asks
// for them, points for files.
FXint FXDCNativePrinter::unitsPerInch(const FXNativePrinter& job, FXbool printer) const {
    return printer || (job.flags & FXNativePrinter::SCREEN_UNITS) ? getScreenResolution() : 72;
}

// Page size (rounded down) and margins (rounded up) in the job's units, the
// paper turned for landscape; the scale from those units to points.
void FXDCNativePrinter::layout(const FXNativePrinter& job, FXint unitsPerInch) {
    FXdouble mw = job.mediawidth, mh = job.mediaheight;
    FXdouble lm = job.leftmargin, rm = job.rightmargin, tm = job.topmargin, bm = job.bottommargin;
    if (job.flags & FXNativePrinter::LANDSCAPE) {
        std::swap(mw, mh);
        std::swap(lm, tm);
    }
    printerres = 72;
    activeScreenres = unitsPerInch;
    scalex = scaley = (FXdouble)printerres / unitsPerInch;
    zoomFactor = 1.0;
    const FXdouble perPoint = (FXdouble)unitsPerInch / printerres;
    pagewidth = (FXint)floor(mw * perPoint + 1e-9);
    pageheight = (FXint)floor(mh * perPoint + 1e-9);
    leftmargin = (FXint)ceil(lm * perPoint - 1e-9);
    topmargin = (FXint)ceil(tm * perPoint - 1e-9);
    rightmargin = (FXint)ceil(rm * perPoint - 1e-9);
    bottommargin = (FXint)ceil(bm * perPoint - 1e-9);
    // The PostScript device puts the drawing 5 points from the left and 40
    // below the top of the sheet; this moves it to the printable area.
    offx = (FXint)lround(lm) - 5;
    offy = (FXint)lround(tm) - 40;
    mmperdot = 25.4 / printerres;
    mmperpixel = 25.4 / unitsPerInch;
}

FXbool FXDCNativePrinter::makeSpoolFile() {
    char path[] = "/tmp/plenwick-printXXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) return false;
    close(fd);
    tmpname = path;
    return true;
}

// Every destination but HTML is drawn by the PostScript device: a file job
// in points, a PDF job the same into a spool file that becomes the PDF, a
// printer job in screen pixels scaled to points into a spool file for CUPS.
FXbool FXDCNativePrinter::startPostscript(FXNativePrinter& job, Destination to) {
    layout(job, unitsPerInch(job, to == TO_PRINTER));
    FXNativePrinter psjob = job;
    psjob.flags = (job.flags & ~(FXNativePrinter::DEST_HTML | FXNativePrinter::DEST_PDF)) | FXNativePrinter::DEST_FILE;
    if (to == TO_PRINTER) {
        // CUPS makes the copies and picks and orders the pages.
        psjob.numcopies = 1;
        psjob.flags &= ~(FXNativePrinter::PAGES_EVEN | FXNativePrinter::PAGES_ODD | FXNativePrinter::PAGES_RANGE |
                         FXNativePrinter::COLLATE_REVERSED);
    }
    if (to != TO_POSTSCRIPT) {
        if (!makeSpoolFile()) {
            warn("Cannot start document printing");
            return false;
        }
        psjob.name = tmpname;
    }
    FXdouble mw = (job.flags & FXNativePrinter::LANDSCAPE) ? job.mediaheight : job.mediawidth;
    FXdouble mh = (job.flags & FXNativePrinter::LANDSCAPE) ? job.mediawidth : job.mediaheight;
    ps = new FXDCPostscript(getApp());
    ps->setContentRange(leftmargin, topmargin, (FXint)mw, (FXint)mh);
    if (!ps->beginPrint(psjob)) {
        if (to == TO_POSTSCRIPT)
            cannotWrite(FileErrorText(ps->lastError()));
        else
            warn("Cannot start document printing");
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
    pagesbegun = 0;
    if (job.name.empty()) {
        warn("Please define a printer first!");
        return false;
    }
    printer = job;
    if (job.toFile()) {
        FXString why = CannotWriteReason(job.name);
        if (!why.empty()) {
            cannotWrite(why);
            return false;
        }
    }
    if (job.flags & FXNativePrinter::DEST_FILE) {
        if (!startPostscript(job, TO_POSTSCRIPT)) return false;
        dctype = TO_POSTSCRIPT;
    } else if (job.flags & FXNativePrinter::DEST_PDF) {
        // Refuse a file that cannot be written before anything is drawn.
        FILE* probe = fopen(job.name.text(), "w");
        if (!probe) {
            cannotWrite(FileErrorText(errno));
            return false;
        }
        fclose(probe);
        if (!startPostscript(job, TO_PDF)) {
            unlink(job.name.text());
            return false;
        }
        dctype = TO_PDF;
    } else if (job.flags & FXNativePrinter::DEST_HTML) {
        html = new FXDChtml(getApp());
        html->setTitle(printtext::toUtf8(job.title));
        if (!html->beginPrint(job.name)) {
            cannotWrite(FileErrorText(html->lastError()));
            releaseJob();
            return false;
        }
        layout(job, unitsPerInch(job, false));
        offx = offy = 0;
        dc = html;
        dctype = TO_HTML;
    } else {
        if (!cupsprint::printerExists(job.name)) {
            warn("Cannot create printer dc.");
            return false;
        }
        if (!startPostscript(job, TO_PRINTER)) return false;
        dctype = TO_PRINTER;
    }
    setForeground(FXRGB(0, 0, 0));
    setBackground(FXRGB(255, 255, 255));
    if (font) setFont(font);
    return true;
}

// The preview is laid out as the destination would be (points for files, the
// screen's pixels for a printer) and drawn at the preview's scale; the
// drawing's origin is the image's top-left corner, as it is the printable
// area's on paper.
FXbool FXDCNativePrinter::beginPreview(FXNativePrinter& job, FXImage* image, FXuint page, FXdouble mmPerPixel) {
    if (dctype != NO_JOB) endPrint();
    jobid = 0;
    pagesended = 0;
    pagesbegun = 0;
    chosenpages.clear();
    printer = job;
    layout(job, unitsPerInch(job, !job.toFile()));
    const FXdouble unitMM = 25.4 / activeScreenres;
    previewmm = mmPerPixel > 0 ? mmPerPixel : 1.0;
    scalex = scaley = unitMM / previewmm;
    zoomFactor = 1.0;
    offx = offy = 0;
    previewimage = image;
    previewpage = page;
    dc = nullptr;
    dctype = TO_PREVIEW;
    fg = FXRGB(0, 0, 0);
    bg = FXRGB(255, 255, 255);
    return true;
}

FXbool FXDCNativePrinter::beginPage(FXuint page) {
    currentPage = page;
    switch (dctype) {
        case TO_POSTSCRIPT:
        case TO_PDF:
        case TO_PRINTER:
            if (!ps->beginPage(page)) {
                if (dctype == TO_PRINTER) endPrint();
                return false;
            }
            // A new page starts with the job's colour and font again.
            ps->setForeground(deviceColor(fg));
            pagesbegun++;
            return true;
        case TO_HTML:
            pagesbegun++;
            return html->beginPage(page);
        case TO_PREVIEW:
            pagesbegun++;
            delete previewdc;
            previewdc = nullptr;
            dc = nullptr;
            // The preview steps through the pages the job prints; only the one
            // asked for is drawn.
            if (!printer.printsPage(page)) return true;
            chosenpages.push_back(page);
            if (chosenpages.size() == previewpage && previewimage) {
                FXDCWindow* window = new FXDCWindow(previewimage);
                previewdc = window;
                dc = window;
                dc->setForeground(deviceColor(fg));
                dc->setBackground(deviceColor(bg));
                dc->setFunction(BLT_SRC);
                applyLineWidth();
                dc->setLineCap(cap);
                dc->setLineStyle(style);
                if (dashlen) dc->setDashes(dashoff, dashpat, dashlen);
                if (font) setFont(font);
            }
            return true;
        default:
            return false;
    }
}

// "Page 3 of 12   Printed 09/12/26" on the page's last line, at the left
// (report footers stand at the right), in small type; the drawing's font
// and colour stay as they were.
void FXDCNativePrinter::drawFooter() {
    if (!dc || dctype == TO_HTML || !(printer.flags & FXNativePrinter::PAGE_FOOTER)) return;
    if (!footerFont) {
        footerFont = new FXFont(getApp(), "helvetica", 6);
        footerFont->create();
    }
    FXString text = "Page " + FXStringVal((FXint)currentPage);
    if (printer.totalpages > 0) text += " of " + FXStringVal((FXint)printer.totalpages);
    text += "   Printed " + dates::shownDate((FXlong)time(nullptr));
    FXFont* drawing = font;
    const FXColor colour = fg;
    setFont(footerFont);
    setForeground(FXRGB(0, 0, 0));
    drawText(13, getContentHeight() - footerFont->getFontDescent(), text);
    setForeground(colour);
    if (drawing) setFont(drawing);
    font = drawing;
}

FXbool FXDCNativePrinter::endPage() {
    drawFooter();
    switch (dctype) {
        case TO_POSTSCRIPT:
        case TO_PDF:
        case TO_PRINTER:
            if (!ps->endPage()) return false;
            pagesended++;
            return true;
        case TO_HTML:
            pagesended++;
            return html->endPage();
        case TO_PREVIEW:
            delete previewdc;
            previewdc = nullptr;
            dc = nullptr;
            pagesended++;
            return true;
        default:
            return false;
    }
}

// Runs the converter on the spool file; false, after a warning, when it
// cannot run or fails.
FXbool FXDCNativePrinter::makePdf() {
    FXString output = printer.name;
    // A name starting with "-" would read as an option.
    if (output[0] == '-') output = "./" + output;
    FXString input = tmpname;
    const char* argv[] = {pdfConverter.text(), input.text(), output.text(), nullptr};
    pid_t pid;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, (char* const*)argv, environ) != 0) {
        cannotWrite("the PDF converter " + pdfConverter + " (Ghostscript) is not installed");
        unlink(printer.name.text());
        return false;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        cannotWrite("the PDF converter " + pdfConverter + " (Ghostscript) failed");
        unlink(printer.name.text());
        return false;
    }
    return true;
}

FXbool FXDCNativePrinter::endPrint() {
    Destination was = dctype;
    dctype = NO_JOB;
    FXbool ok = true;
    switch (was) {
        case TO_POSTSCRIPT:
            ok = ps->endPrint();
            if (!ok) {
                cannotWrite(FileErrorText(ps->lastError()));
                unlink(printer.name.text());
            }
            break;
        case TO_HTML:
            ok = html->endPrint();
            if (!ok) {
                cannotWrite(FileErrorText(html->lastError()));
                unlink(printer.name.text());
            }
            break;
        case TO_PDF:
            ok = ps->endPrint();
            if (!ok) {
                cannotWrite(FileErrorText(ps->lastError()));
                unlink(printer.name.text());
            } else {
                ok = makePdf();
                if (ok && (printer.flags & FXNativePrinter::OPEN_AFTER)) openPdf();
            }
            break;
        case TO_PRINTER:
            ok = ps->endPrint();
            if (!ok) {
                warn("Cannot start document printing");
            } else if (pagesended > 0) {
                FXString error;
                jobid = cupsprint::submit(printer, tmpname, printtext::toUtf8(printer.title), error);
                if (!jobid) {
                    warn("Cannot print on " + printer.name + ": " + error);
                    ok = false;
                }
            }
            break;
        case TO_PREVIEW:
            break;
        default:
            ok = false;
            break;
    }
    const FXuint unprinted = ps ? ps->unprintedCount() : 0;
    releaseJob();
    if (ok && unprinted > 0) {
        Prompter::get().information(
            nullptr, getApp()->getAppName(),
            unprinted == 1
                ? FXString("1 character could not be printed: it shows as \xe2\x96\xa1.")
                : FXStringVal((FXint)unprinted) + " characters could not be printed: they show as \xe2\x96\xa1.");
    }
    return ok;
}

void FXDCNativePrinter::abortPrint() {
    Destination was = dctype;
    dctype = NO_JOB;
    switch (was) {
        case TO_POSTSCRIPT:
        case TO_PDF:
        case TO_PRINTER:
            ps->endPrint();
            break;
        case TO_HTML:
            html->endPrint();
            break;
        default:
            break;
    }
    if (was == TO_POSTSCRIPT || was == TO_PDF || was == TO_HTML) unlink(printer.name.text());
    releaseJob();
}

FXbool FXDCNativePrinter::writeTable(const FXString& sql) {
    if (dctype != TO_HTML) return false;
    return html->writeTable(sql);
}

FXbool FXDCNativePrinter::writeTableRows(const FXString& sql) {
    if (dctype != TO_HTML) return false;
    return html->writeTableRows(sql);
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
    drawText(x, y, string.text(), (FXuint)string.length());
}

// The preview's fonts take UTF-8; they get the text the paper gets, with the
// same white square for what the paper's fonts cannot show.
void FXDCNativePrinter::drawText(FXint x, FXint y, const FXchar* string, FXuint length) {
    if (!dc) return;
    if (dctype == TO_PREVIEW) {
        FXString shown = FXDCPostscript::shownText(font, string, length);
        dc->drawText(sx(x), sy(y), shown.text(), (FXuint)shown.length());
    } else {
        dc->drawText(sx(x), sy(y), string, length);
    }
}

void FXDCNativePrinter::drawImageText(FXint x, FXint y, const FXString& string) {
    drawImageText(x, y, string.text(), (FXuint)string.length());
}

void FXDCNativePrinter::drawImageText(FXint x, FXint y, const FXchar* string, FXuint length) {
    if (!dc) return;
    if (dctype == TO_PREVIEW) {
        FXString shown = FXDCPostscript::shownText(font, string, length);
        dc->drawImageText(sx(x), sy(y), shown.text(), (FXuint)shown.length());
    } else {
        dc->drawImageText(sx(x), sy(y), string, length);
    }
}

// ---- attributes ------------------------------------------------------------

void FXDCNativePrinter::setZoom(FXdouble zoom) {
    if (zoom <= 0) zoom = 1.0;
    scalex = scalex / zoomFactor * zoom;
    scaley = scaley / zoomFactor * zoom;
    zoomFactor = zoom;
    applyLineWidth();
    if (font) setFont(font);
}

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

// Widths 0 and 1 are the screen's thin line, one pixel wide: on paper and in
// the preview they become one unit of the job scaled to the destination, so
// that thin lines stay visible instead of shrinking to nothing.
void FXDCNativePrinter::setLineWidth(FXuint linewidth) {
    width = linewidth;
    applyLineWidth();
}

void FXDCNativePrinter::applyLineWidth() {
    if (!dc) return;
    const FXdouble w = FXMAX(width, 1u) * scalex;
    if (dc == ps) {
        if (w == floor(w))
            ps->setLineWidth((FXuint)w);
        else
            ps->setLineWidthPoints(w);
    } else if (dc == previewdc) {
        dc->setLineWidth((FXuint)FXMAX(1L, lround(w)));
    } else {
        dc->setLineWidth(width);
    }
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
    if (dctype == TO_PREVIEW) return (FXint)lround(decipoints * 0.1 * zoomFactor);  // what the paper gets
    return (FXint)lround(decipoints * 0.1 * scalex * activeScreenres / printerres);
}

// The destination's copy of the font.  In a preview it is the size the paper
// gets, shown at the preview's scale: the toolkit draws a font of p points
// p * res / 72 pixels high, res being its font resolution.
void FXDCNativePrinter::setFont(FXFont* fnt) {
    font = fnt;
    if (!dc || !fnt) return;
    FXFont* copy;
    if (dctype == TO_PREVIEW) {
        FXFontDesc desc;
        fnt->getFontDesc(desc);
        FXint res = getApp()->reg().readIntEntry("SETTINGS", "screenres", 100);
        if (res <= 0) res = 100;
        FXdouble pixels = deviceFontSize(fnt->getSize()) * 25.4 / 72.0 / previewmm;
        desc.size = (FXushort)FXMAX(1L, lround(pixels * 72.0 / res * 10.0));
        copy = new FXFont(getApp(), desc);
        copy->create();
    } else {
        copy = new FXFont(getApp(), fnt->getName(), (FXuint)deviceFontSize(fnt->getSize()), fnt->getWeight(),
                          fnt->getSlant(), fnt->getEncoding(), fnt->getSetWidth(), fnt->getHints());
    }
    dc->setFont(copy);
    delete devfont;
    devfont = copy;
}
