#include "print/FXDCPostscript.h"

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <map>
#include <string>

#include "print/PostscriptFonts.h"
#include "print/PrintText.h"

using namespace FX;

// Empty boxes start inverted so that the first point sets them.
void FXDCPostscript::resetBox(Box& b) {
    b.xmin = 1000000.0;
    b.xmax = -1000000.0;
    b.ymin = 1000000.0;
    b.ymax = -1000000.0;
}

FXDCPostscript::FXDCPostscript(FXApp* a)
    : FXDC(a),
      psout(nullptr),
      spool(nullptr),
      sink(nullptr),
      pxmin(0),
      pymin(0),
      pxmax(0),
      pymax(0),
      inPage(false),
      pageNumber(0),
      pageStart(0),
      pagesended(0),
      lineWidth(1.0),
      lineWidthSet(false),
      lineWidthFractional(false) {
    resetBox(docbox);
    resetBox(pagebox);
}

FXDCPostscript::~FXDCPostscript() {
    if (psout) fclose(psout);
    if (spool) fclose(spool);
}

bool FXDCPostscript::open() const {
    if (psout) return true;
    fxwarning("FXDCPostscript: no output device has been selected.\n");
    return false;
}

// Every byte of output goes through here.  Between pages, and on pages that
// are not chosen, nothing is written: each written page sets up its own
// drawing state.
void FXDCPostscript::outf(const char* format, ...) {
    if (!open() || !sink) return;
    va_list args;
    va_start(args, format);
    vfprintf(sink, format, args);
    va_end(args);
}

void FXDCPostscript::setContentRange(FXint xmin, FXint ymin, FXint xmax, FXint ymax) {
    pxmin = xmin;
    pymin = ymin;
    pxmax = xmax;
    pymax = ymax;
}

// Drawing coordinates to PostScript coordinates.
void FXDCPostscript::tfm(FXdouble& xo, FXdouble& yo, FXdouble xi, FXdouble yi) {
    xo = xi + 5.0;
    yo = (FXdouble)pymax - 40.0 - yi;
}

// Ink in PostScript coordinates widens the page's and the document's box;
// only pages that are written count.
void FXDCPostscript::ink(FXdouble x0, FXdouble y0, FXdouble x1, FXdouble y1) {
    if (!sink) return;
    if (clipping) {
        // Only what the clip lets through is ink.
        x0 = FXMAX(x0, clipBox.xmin);
        y0 = FXMAX(y0, clipBox.ymin);
        x1 = FXMIN(x1, clipBox.xmax);
        y1 = FXMIN(y1, clipBox.ymax);
        if (x0 > x1 || y0 > y1) return;
    }
    for (Box* b : {&pagebox, &docbox}) {
        if (x0 < b->xmin) b->xmin = x0;
        if (x1 > b->xmax) b->xmax = x1;
        if (y0 < b->ymin) b->ymin = y0;
        if (y1 > b->ymax) b->ymax = y1;
    }
}

void FXDCPostscript::inkAround(FXdouble x, FXdouble y, FXdouble pad) { ink(x - pad, y - pad, x + pad, y + pad); }

// The ink of an open path stroked with the current width, in PostScript
// coordinates: each segment's band, the caps at its two ends, and the
// miter points of its corners (PostScript's default join, bevelled beyond
// its miter limit of 10).
void FXDCPostscript::strokeInk(const FXdouble* xy, FXuint n) {
    const FXdouble p = strokePad();
    if (n == 1 || p == 0) {
        for (FXuint i = 0; i < n; i++) inkAround(xy[2 * i], xy[2 * i + 1], 0);
        if (p == 0) return;
    }
    FXdouble prevNx = 0, prevNy = 0;
    bool havePrev = false;
    FXuint segments = 0;
    FXdouble firstDx = 0, firstDy = 0, lastDx = 0, lastDy = 0;
    for (FXuint i = 0; i + 1 < n; i++) {
        const FXdouble x0 = xy[2 * i], y0 = xy[2 * i + 1], x1 = xy[2 * i + 2], y1 = xy[2 * i + 3];
        const FXdouble len = sqrt((x1 - x0) * (x1 - x0) + (y1 - y0) * (y1 - y0));
        if (len == 0) continue;
        const FXdouble dx = (x1 - x0) / len, dy = (y1 - y0) / len;
        const FXdouble nx = -dy, ny = dx;
        inkAround(x0 + nx * p, y0 + ny * p, 0);
        inkAround(x0 - nx * p, y0 - ny * p, 0);
        inkAround(x1 + nx * p, y1 + ny * p, 0);
        inkAround(x1 - nx * p, y1 - ny * p, 0);
        if (havePrev) {
            const FXdouble c = 1 + prevNx * nx + prevNy * ny;
            if (c > 0 && 2 / c <= 100) {  // miter length ratio sqrt(2 / c) up to 10
                const FXdouble mx = (prevNx + nx) * p / c, my = (prevNy + ny) * p / c;
                inkAround(x0 + mx, y0 + my, 0);
                inkAround(x0 - mx, y0 - my, 0);
            }
        }
        if (segments == 0) {
            firstDx = dx;
            firstDy = dy;
        }
        lastDx = dx;
        lastDy = dy;
        segments++;
        prevNx = nx;
        prevNy = ny;
        havePrev = true;
    }
    if (segments == 0) return;
    // Caps: projecting ones reach p beyond the ends, round ones p all round.
    const FXdouble sx = xy[0], sy = xy[1], ex = xy[2 * n - 2], ey = xy[2 * n - 1];
    if (cap == CAP_ROUND) {
        inkAround(sx, sy, p);
        inkAround(ex, ey, p);
    } else if (cap == CAP_PROJECTING) {
        for (FXdouble side : {1.0, -1.0}) {
            inkAround(sx - firstDx * p - firstDy * p * side, sy - firstDy * p + firstDx * p * side, 0);
            inkAround(ex + lastDx * p - lastDy * p * side, ey + lastDy * p + lastDx * p * side, 0);
        }
    }
}

// A collected box in the default page coordinates: landscape pages are drawn
// rotated by 90 degrees about the media's lower right corner.
void FXDCPostscript::writeBox(const char* comment, const Box& b) {
    if (!(b.xmin < b.xmax) || !(b.ymin < b.ymax)) {
        outf("%%%%%s: 0 0 100 100\n", comment);
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
    outf("%%%%%s: %d %d %d %d\n", comment, (int)floor(x0), (int)floor(y0), (int)ceil(x1), (int)ceil(y1));
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
    if (spool) fclose(spool);
    error = 0;
    psout = fopen(job.name.text(), "w");
    if (!psout) {
        error = errno;
        return false;
    }
    spool = tmpfile();
    if (!spool) {
        error = errno;
        fclose(psout);
        psout = nullptr;
        return false;
    }
    sink = nullptr;
    inPage = false;
    pages.clear();
    fonts.clear();
    extGlyphs.clear();
    extSlots.clear();
    extFonts.clear();
    unprinted = 0;
    resetBox(docbox);
    resetBox(pagebox);
    pagesended = 0;
    return true;
}

// The document's comments.  The bounding box and the page count are those of
// the pages written; with flag 0x100 the box follows in the trailer.
void FXDCPostscript::writeHeader() {
    outf("%%!PS-Adobe-3.0\n");
    // The title is one line of text.
    FXString title = printer.title.empty() ? FXString("Print Job") : printtext::toLatin1(printer.title);
    for (FXint i = 0; i < title.length(); i++)
        if ((FXuchar)title[i] < 0x20 || title[i] == 0x7f) title[i] = ' ';
    outf("%%%%Title: %s\n", title.text());
    outf("%%%%Creator: FOX GUI Toolkit Application\n");
    if (printer.flags & FXNativePrinter::NOBOUNDS)
        outf("%%%%BoundingBox: (atend)\n");
    else
        writeBox("BoundingBox", docbox);
    outf("%%%%Pages: %d\n", (int)pages.size());
    // The paper as it lies in the printer: landscape pages are turned on it.
    const char* paper = paperName(printer.mediasize);
    outf("%%%%DocumentMedia: %s %ld %ld 0 () ()\n", *paper ? paper : "Custom", lround(printer.mediawidth),
         lround(printer.mediaheight));
    outf("%%%%Orientation: %s\n", (printer.flags & FXNativePrinter::LANDSCAPE) ? "Landscape" : "Portrait");
    if (printer.flags & FXNativePrinter::COLLATE_REVERSED) outf("%%%%PageOrder: Descend\n");
    outf("%%%%DocumentFonts:\n");
    if (!extFonts.empty()) {
        FXString supplied;
        for (const FXString& program : embeddedPrograms()) supplied += " font " + program;
        if (!supplied.empty()) outf("%%%%DocumentSuppliedResources:%s\n", supplied.text());
    }
    outf("%%%%EndComments\n");
}

// Copies, the page size and the fonts in ISO Latin-1.
void FXDCPostscript::writeSetup() {
    outf("%%%%BeginSetup\n");
    outf("/#copies %d def\n", (int)printer.numcopies);
    const char* paper = paperName(printer.mediasize);
    if (*paper) outf("%%%%BeginFeature: *PageSize %s\n", paper);
    outf("/setpagedevice where { pop << /PageSize [%ld %ld] >> setpagedevice } if\n", lround(printer.mediawidth),
         lround(printer.mediaheight));
    if (*paper) outf("%%%%EndFeature\n");
    for (const FXString& font : fonts) outf("/%s reencodeISO\n", font.text());
    writeExtendedFonts();
    outf("%%%%EndSetup\n");
}

// The programs of the fonts the further encodings are made from, each once.
std::vector<FXString> FXDCPostscript::embeddedPrograms() const {
    std::vector<FXString> names;
    for (const auto& f : extFonts) {
        FXString program, name;
        if (!psfonts::fontProgram(f.first, program, name)) continue;
        bool seen = false;
        for (const FXString& n : names) seen = seen || n == name;
        if (!seen) names.push_back(name);
    }
    return names;
}

// The further encodings, the font programs they use (embedded, so that a
// printer without the glyphs prints them too) and the fonts made of both.
void FXDCPostscript::writeExtendedFonts() {
    if (extFonts.empty()) return;
    const FXint encodings = (FXint)((extGlyphs.size() + 254) / 255);
    for (FXint k = 1; k <= encodings; k++) {
        outf("/PlenwickEncoding%d [\n/.notdef", (int)k);
        for (FXint b = 1; b < 256; b++) {
            size_t slot = (size_t)((k - 1) * 255 + b - 1);
            outf("%s/%s", b % 8 == 0 ? "\n" : " ", slot < extGlyphs.size() ? extGlyphs[slot].c_str() : ".notdef");
        }
        outf("\n] def\n");
    }
    std::vector<std::pair<FXString, FXString>> programs;  // standard name, program name
    for (const auto& f : extFonts) {
        bool done = false;
        for (const auto& p : programs) done = done || p.first == f.first;
        if (done) continue;
        FXString program, name;
        // Only the glyphs the job shows in its further encodings travel with it.
        if (psfonts::fontProgram(f.first, program, name, &extGlyphs)) {
            bool embedded = false;
            for (const auto& p : programs) embedded = embedded || p.second == name;
            if (!embedded) {
                outf("%%%%BeginResource: font %s\n", name.text());
                if (sink) fwrite(program.text(), 1, (size_t)program.length(), sink);
                outf("%%%%EndResource\n");
            }
        } else {
            name = f.first;  // the printer's own font, as far as it goes
        }
        programs.emplace_back(f.first, name);
    }
    for (const auto& f : extFonts) {
        FXString base;
        for (const auto& p : programs)
            if (p.first == f.first) base = p.second;
        outf("/%s /%s PlenwickEncoding%d reencodeAs\n", extendedFontName(f.first, f.second).text(), base.text(),
             (int)f.second);
    }
}

// Pages in the order chosen, numbered in the file from 1.
void FXDCPostscript::writePages() {
    const bool reversed = (printer.flags & FXNativePrinter::COLLATE_REVERSED) != 0;
    const size_t n = pages.size();
    std::vector<char> buffer(65536);
    for (size_t k = 0; k < n; k++) {
        const Page& page = pages[reversed ? n - 1 - k : k];
        outf("%%%%Page: %u %d\n", page.number, (int)(k + 1));
        if (printer.flags & FXNativePrinter::NOBOUNDS)
            outf("%%%%PageBoundingBox: (atend)\n");
        else
            writeBox("PageBoundingBox", page.box);
        outf("%%%%BeginPageSetup\n");
        outf("%%%%EndPageSetup\n");
        fflush(spool);
        fseek(spool, page.start, SEEK_SET);
        long left = page.end - page.start;
        while (left > 0) {
            size_t got = fread(buffer.data(), 1, (size_t)FXMIN(left, (long)buffer.size()), spool);
            if (got == 0) break;
            fwrite(buffer.data(), 1, got, psout);
            left -= (long)got;
        }
    }
}

FXbool FXDCPostscript::endPrint() {
    if (!open()) return false;
    if (inPage) endPage();
    sink = psout;
    writeHeader();
    outf("%%%%BeginProlog\n\n\n");
    writeProlog();
    outf("%%%%EndProlog\n");
    writeSetup();
    writePages();
    outf("%%%%Trailer\n");
    if (printer.flags & FXNativePrinter::NOBOUNDS) writeBox("BoundingBox", docbox);
    if (!(printer.flags & (FXNativePrinter::PAGES_EVEN | FXNativePrinter::PAGES_ODD | FXNativePrinter::PAGES_RANGE)))
        outf("%%%%Pages: %d\n", (int)pages.size());
    outf("%%%%EOF\n");
    errno = 0;
    bool ok = fflush(psout) == 0 && !ferror(psout) && !ferror(spool);
    if (!ok) error = errno ? errno : EIO;
    if (fclose(psout) != 0 && ok) {
        error = errno ? errno : EIO;
        ok = false;
    }
    fclose(spool);
    psout = spool = sink = nullptr;
    return ok;
}

void FXDCPostscript::writeProlog() {
    outf("%% h w x y drawRect\n");
    outf(
        "/drawRect {\n\tnewpath moveto dup 0 rlineto exch dup 0 exch\n\trlineto exch neg 0 rlineto neg 0 exch "
        "rlineto\n\tclosepath stroke\n} def\n");
    outf("%% h w x y fillRect\n");
    outf(
        "/fillRect {\n\tnewpath moveto dup 0 rlineto exch dup 0 exch\n\trlineto exch neg 0 rlineto neg 0 exch "
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
    outf(
        "/drawArc {\n\tgsave dup 3 1 roll div dup 1 scale 6 -1 roll\n\texch div 5 1 roll  3 -2 roll arc stroke "
        "grestore\n} def\n");
    outf(
        "/fillChord {\n\tgsave dup 3 1 roll div dup 1 scale 6 -1 roll\n\texch div 5 1 roll  3 -2 roll arc fill "
        "grestore\n} def\n");
    outf("%% (string) x y height drawText\n");
    outf("/drawText {\n\tgsave findfont exch scalefont setfont moveto\n\tshow grestore\n} def\n");
    // The setup re-encodes every font the pages use, under its own name, to
    // ISO Latin-1 with the keyboard's apostrophe, hyphen and grave accent.
    outf("%% /fontname reencodeISO\n");
    outf(
        "/reencodeISO {\n\tdup findfont dup length dict begin\n"
        "\t\t{ 1 index /FID ne { def } { pop pop } ifelse } forall\n"
        "\t\t/Encoding ISOLatin1Encoding 256 array copy\n"
        "\t\tdup 39 /quotesingle put dup 45 /hyphen put dup 96 /grave put def\n"
        "\t\tcurrentdict\n\tend definefont pop\n} def\n");
    if (!extFonts.empty()) {
        // Fonts in a further encoding, made from the embedded font program,
        // and text set in pieces of several fonts from the current point.
        outf("%% /newname /fontname encoding reencodeAs\n");
        outf(
            "/reencodeAs {\n\texch findfont dup length dict begin\n"
            "\t\t{ 1 index /FID ne { def } { pop pop } ifelse } forall\n"
            "\t\t/Encoding exch def\n\t\tcurrentdict\n\tend definefont pop\n} def\n");
        outf("%% (string) height /fontname showRun\n");
        outf("/showRun {\n\tfindfont exch scalefont setfont show\n} def\n");
    }
    // Grey conversion of colour image data for interpreters without colorimage.
    outf("/bwproc\n");
    outf(
        "{\n\trgbproc\n\tdup length 3 idiv string 0 3 0\n\t5 -1 roll {\n\tadd 2 1 roll 1 sub dup 0 eq {\n"
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
    outf(
        "/SL {\n"
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
    outf(
        "/ST {\n"
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

// A chosen page goes to the spool, starting with the whole drawing state so
// that it prints the same wherever it ends up; another page is drawn into
// nothing.
FXbool FXDCPostscript::beginPage(FXuint page) {
    if (!open()) return false;
    if (inPage) endPage();
    inPage = true;
    pageNumber = page;
    clipping = false;
    resetBox(pagebox);
    sink = printer.printsPage(page) ? spool : nullptr;
    if (!sink) return true;
    pageStart = ftell(spool);
    outf("gsave\n");
    if (printer.flags & FXNativePrinter::LANDSCAPE) {
        outf("%g %g translate\n", printer.mediawidth, 0.0);
        outf("90 rotate\n");
    }
    writeState();
    return true;
}

FXbool FXDCPostscript::endPage() {
    if (!open() || !inPage) return false;
    endClip();
    if (sink) {
        outf("%%%%PageTrailer\n");
        if (printer.flags & FXNativePrinter::NOBOUNDS) writeBox("BoundingBox", pagebox);
        outf("showpage\n");
        outf("grestore\n");
        pages.push_back({pageNumber, pageStart, ftell(spool), pagebox});
    }
    sink = nullptr;
    inPage = false;
    pagesended++;
    return true;
}

// The colour, line width, cap and dashes in force, at the start of a page.
void FXDCPostscript::writeState() {
    outf("%g %g %g setrgbcolor\n", FXREDVAL(fg) / 255.0, FXGREENVAL(fg) / 255.0, FXBLUEVAL(fg) / 255.0);
    if (lineWidthSet) writeLineWidth();
    if (cap != CAP_BUTT) outf("%d setlinecap\n", cap == CAP_PROJECTING ? 2 : 1);
    if (style != LINE_SOLID) writeDashes();
}

void FXDCPostscript::useFont(const FXString& name) {
    for (const FXString& f : fonts)
        if (f == name) return;
    fonts.push_back(name);
}

// ---- drawing -------------------------------------------------------------

void FXDCPostscript::drawPoint(FXint x, FXint y) {
    if (!open()) return;
    FXdouble xx, yy;
    tfm(xx, yy, x, y);
    inkAround(xx, yy, 0.5);
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
    const FXdouble path[4] = {xx1, yy1, xx2, yy2};
    strokeInk(path, 2);
    outf("newpath %g %g moveto %g %g lineto stroke\n", xx1, yy1, xx2, yy2);
}

// Open or filled path through the points; relative points are offsets from
// the previous point.
void FXDCPostscript::polyPath(const FXPoint* points, FXuint npoints, bool relative, bool stroke) {
    if (!open() || npoints < 2) return;
    std::vector<FXdouble> path;
    path.reserve(2 * npoints);
    FXdouble xx, yy;
    FXint x = points[0].x, y = points[0].y;
    tfm(xx, yy, x, y);
    path.push_back(xx);
    path.push_back(yy);
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
        path.push_back(xx);
        path.push_back(yy);
        outf(" %g %g lineto", xx, yy);
    }
    if (stroke) {
        strokeInk(path.data(), npoints);
    } else {
        for (FXuint i = 0; i < npoints; i++) inkAround(path[2 * i], path[2 * i + 1], 0);
    }
    outf("%s", stroke ? " stroke\n" : " fill\n");
}

void FXDCPostscript::drawLines(const FXPoint* points, FXuint npoints) { polyPath(points, npoints, false, true); }
void FXDCPostscript::drawLinesRel(const FXPoint* points, FXuint npoints) { polyPath(points, npoints, true, true); }

// All segments go on the stack, then one drawSegmt draws them.
void FXDCPostscript::drawLineSegments(const FXSegment* segments, FXuint nsegments) {
    if (!open() || nsegments == 0) return;
    for (FXuint i = 0; i < nsegments; i++) {
        FXdouble xx1, yy1, xx2, yy2;
        tfm(xx1, yy1, segments[i].x1, segments[i].y1);
        tfm(xx2, yy2, segments[i].x2, segments[i].y2);
        const FXdouble path[4] = {xx1, yy1, xx2, yy2};
        strokeInk(path, 2);
        outf("newpath %g %g %g %g ", xx1, yy1, xx2, yy2);
    }
    outf("%d drawSegmt\n", (int)nsegments);
}

void FXDCPostscript::rectanglePath(FXint x, FXint y, FXint w, FXint h, bool stroke) {
    if (!open()) return;
    FXdouble xl, yt, xr, yb;
    tfm(xl, yt, x, y);
    tfm(xr, yb, x + w - 1, y + h - 1);
    const FXdouble path[10] = {xl, yt, xr, yt, xr, yb, xl, yb, xl, yt};
    if (stroke)
        strokeInk(path, 5);
    else
        ink(FXMIN(xl, xr), FXMIN(yt, yb), FXMAX(xl, xr), FXMAX(yt, yb));
    outf("newpath %g %g moveto %g %g lineto %g %g lineto %g %g lineto %g %g lineto%s", xl, yt, xr, yt, xr, yb, xl, yb,
         xl, yt, stroke ? " stroke\n" : " fill\n");
}

void FXDCPostscript::drawRectangle(FXint x, FXint y, FXint w, FXint h) { rectanglePath(x, y, w, h, true); }

void FXDCPostscript::drawRectangles(const FXRectangle* rectangles, FXuint nrectangles) {
    for (FXuint i = 0; i < nrectangles; i++)
        drawRectangle(rectangles[i].x, rectangles[i].y, rectangles[i].w, rectangles[i].h);
}

void FXDCPostscript::fillRectangle(FXint x, FXint y, FXint w, FXint h) { rectanglePath(x, y, w, h, false); }

void FXDCPostscript::fillRectangles(const FXRectangle* rectangles, FXuint nrectangles) {
    for (FXuint i = 0; i < nrectangles; i++)
        fillRectangle(rectangles[i].x, rectangles[i].y, rectangles[i].w, rectangles[i].h);
}

// An arc of the ellipse in the box (x, y, w, h); a flat ellipse would make
// the procedure divide by zero, so it draws nothing.  The whole ellipse
// counts as ink.
void FXDCPostscript::arcPath(FXint x, FXint y, FXint w, FXint h, FXint ang1, FXint ang2, const char* procedure) {
    if (!open() || w <= 0 || h <= 0) return;
    FXdouble xx, yy;
    tfm(xx, yy, x + w / 2.0, y + h / 2.0);
    const FXdouble pad = strcmp(procedure, "drawArc") == 0 ? strokePad() : 0;
    ink(xx - w / 2.0 - pad, yy - h / 2.0 - pad, xx + w / 2.0 + pad, yy + h / 2.0 + pad);
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

void FXDCPostscript::fillPolygon(const FXPoint* points, FXuint npoints) { polyPath(points, npoints, false, false); }
void FXDCPostscript::fillConcavePolygon(const FXPoint* points, FXuint npoints) {
    polyPath(points, npoints, false, false);
}
void FXDCPostscript::fillComplexPolygon(const FXPoint* points, FXuint npoints) {
    polyPath(points, npoints, false, false);
}
void FXDCPostscript::fillPolygonRel(const FXPoint* points, FXuint npoints) { polyPath(points, npoints, true, false); }
void FXDCPostscript::fillConcavePolygonRel(const FXPoint* points, FXuint npoints) {
    polyPath(points, npoints, true, false);
}
void FXDCPostscript::fillComplexPolygonRel(const FXPoint* points, FXuint npoints) {
    polyPath(points, npoints, true, false);
}

// The image as hexadecimal RGB rows; its lower-left corner is (dx, dy + height).
void FXDCPostscript::drawImage(const FXImage* image, FXint dx, FXint dy) {
    if (!open() || !image || !image->getData()) return;
    FXint w = image->getWidth(), h = image->getHeight();
    if (w <= 0 || h <= 0) return;
    FXdouble xx, yy;
    tfm(xx, yy, dx, dy + h);
    ink(xx, yy, xx + w, yy + h);
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

namespace {

// A PostScript string literal of the bytes: backslashes doubled, parentheses
// escaped, and every byte outside printable ASCII written as an octal
// escape, so that the file stays plain text.
void escapeInto(std::string& escaped, const std::string& bytes) {
    for (char ch : bytes) {
        FXuchar c = (FXuchar)ch;
        if (c == '\\' || c == '(' || c == ')') {
            escaped += '\\';
            escaped += (char)c;
        } else if (c < 0x20 || c >= 0x7f) {
            char octal[5];
            snprintf(octal, sizeof octal, "\\%03o", c);
            escaped += octal;
        } else {
            escaped += (char)c;
        }
    }
}

// The byte of each glyph name in the ISO Latin-1 re-encoding (the first one
// for the names it holds twice).
const std::map<std::string, FXuchar>& latin1Bytes() {
    static std::map<std::string, FXuchar> bytes;
    if (bytes.empty()) {
        for (int c = 0x20; c < 0x100; c++) {
            if (c >= 0x7F && c < 0xA0) continue;
            bytes.emplace(psfonts::glyphName((FXuchar)c), (FXuchar)c);
        }
    }
    return bytes;
}

// How one character is printed in a font: its glyphs (or the replacement
// glyph, `replaced` set), none for characters that show nothing.  Control
// characters keep their byte: the font shows nothing for them.
struct Shown {
    const char* names[3];
    int count = 0;
    bool replaced = false;
    bool control = false;
    char buffer[12];
};

void classify(const FXString& fontName, FXwchar code, Shown& s) {
    s.replaced = false;
    s.control = code < 0x20 || (code >= 0x7F && code < 0xA0);
    if (s.control) {
        s.count = 0;
        return;
    }
    s.count = psfonts::glyphsFor(code, s.names, s.buffer);
    if (code < 0x100) return;  // the Latin-1 fonts of every printer hold these
    for (int i = 0; i < s.count; i++) {
        if (!psfonts::hasGlyph(fontName, s.names[i])) {
            s.names[0] = psfonts::replacementGlyph(fontName);
            s.count = 1;
            s.replaced = true;
            return;
        }
    }
}

}  // namespace

FXString FXDCPostscript::shownText(const FXFont* font, const FXchar* text, FXuint length) {
    const FXString name = fontName(font);
    FXString out;
    Shown s;
    for (FXwchar code : printtext::characters(text, length)) {
        classify(name, code, s);
        if (s.control) continue;
        if (s.replaced)
            printtext::appendUtf8(out, 0x25A1);
        else if (s.count > 0)
            printtext::appendUtf8(out, code);
    }
    return out;
}

// The slot of a glyph in the job's further encodings: 255 glyphs each, at
// the bytes 1 to 255.
FXint FXDCPostscript::extendedSlot(const char* glyph) {
    auto found = extSlots.find(glyph);
    if (found != extSlots.end()) return found->second;
    FXint slot = (FXint)extGlyphs.size();
    extGlyphs.push_back(glyph);
    extSlots.emplace(glyph, slot);
    return slot;
}

void FXDCPostscript::useExtendedFont(const FXString& name, FXint encoding) {
    for (const auto& f : extFonts)
        if (f.first == name && f.second == encoding) return;
    extFonts.emplace_back(name, encoding);
}

FXString FXDCPostscript::extendedFontName(const FXString& name, FXint encoding) {
    return name + "-Ext" + FXStringVal(encoding);
}

// Text that is all ISO Latin-1 is one drawText call in the re-encoded
// standard font; a text with other characters is set in a further encoding
// of the same font (in pieces of several such encodings, shown one after the
// other from the current point, when the job uses more than 255 glyphs).
void FXDCPostscript::drawText(FXint x, FXint y, const FXchar* text, FXuint textLength) {
    if (!open()) return;
    const FXString name = fontName(font);
    const int size = font ? (int)(font->getSize() / 10) : 12;
    struct Piece {
        FXint encoding;
        std::string bytes;
    };
    std::vector<Piece> pieces;
    std::vector<const char*> glyphs;
    const auto& latin1 = latin1Bytes();
    auto add = [&](FXint encoding, FXuchar byte) {
        if (pieces.empty() || pieces.back().encoding != encoding) pieces.push_back({encoding, std::string()});
        pieces.back().bytes += (char)byte;
    };
    // A text with a character beyond Latin-1 is set wholly in the further
    // encodings (which take any glyph), so that a line stays one piece.
    const std::vector<FXwchar> codes = printtext::characters(text, textLength);
    bool extended = false;
    Shown s;
    for (FXwchar code : codes) {
        if (code < 0x100) continue;
        classify(name, code, s);
        for (int i = 0; i < s.count && !extended; i++) extended = latin1.find(s.names[i]) == latin1.end();
        if (extended) break;
    }
    for (FXwchar code : codes) {
        classify(name, code, s);
        if (s.control) {
            // Invisible in the font, kept as the byte it was.
            if (code < 0x100 && !extended) {
                add(0, (FXuchar)code);
                glyphs.push_back(".notdef");
            }
            continue;
        }
        if (s.replaced && sink) unprinted++;
        for (int i = 0; i < s.count; i++) {
            glyphs.push_back(s.names[i]);
            if (extended) {
                FXint slot = extendedSlot(s.names[i]);
                add(1 + slot / 255, (FXuchar)(1 + slot % 255));
            } else {
                // Without further characters every glyph is one of Latin-1.
                add(0, code < 0x100 && s.count == 1 ? (FXuchar)code : latin1.find(s.names[i])->second);
            }
        }
    }
    FXdouble xx, yy;
    tfm(xx, yy, x, y);
    psfonts::Ink box;
    if (sink && psfonts::glyphInk(name, size, glyphs.data(), (FXuint)glyphs.size(), box))
        ink(xx + box.xmin, yy + box.ymin, xx + box.xmax, yy + box.ymax);
    if (sink) useFont(name);
    std::string escaped;
    if (pieces.size() <= 1) {
        FXString face = name;
        if (!pieces.empty()) {
            escapeInto(escaped, pieces[0].bytes);
            if (pieces[0].encoding > 0) {
                face = extendedFontName(name, pieces[0].encoding);
                if (sink) useExtendedFont(name, pieces[0].encoding);
            }
        }
        outf("(%s) %g %g %d /%s drawText\n", escaped.c_str(), xx, yy, size, face.text());
        return;
    }
    outf("gsave %g %g moveto", xx, yy);
    for (const Piece& p : pieces) {
        escaped.clear();
        escapeInto(escaped, p.bytes);
        FXString face = name;
        if (p.encoding > 0) {
            face = extendedFontName(name, p.encoding);
            if (sink) useExtendedFont(name, p.encoding);
        }
        outf(" (%s) %d /%s showRun", escaped.c_str(), size, face.text());
    }
    outf(" grestore\n");
}

void FXDCPostscript::drawImageText(FXint x, FXint y, const FXString& string) { drawText(x, y, string); }

void FXDCPostscript::drawImageText(FXint x, FXint y, const FXchar* string, FXuint length) {
    drawText(x, y, string, length);
}

// ---- clipping ------------------------------------------------------------

// The clip lives in a gsave of its own; ending it restores the state from
// before, so the colour, line and dashes set meanwhile are written again.
void FXDCPostscript::endClip() {
    if (!clipping) return;
    clipping = false;
    outf("grestore\n");
    writeState();
}

void FXDCPostscript::setClipRectangle(FXint x, FXint y, FXint w, FXint h) {
    clip.x = (FXshort)x;
    clip.y = (FXshort)y;
    clip.w = (FXshort)w;
    clip.h = (FXshort)h;
    if (!open()) return;
    endClip();
    FXdouble x0, y0, x1, y1;
    tfm(x0, y0, x, y);
    tfm(x1, y1, x + w, y + h);
    clipBox = {FXMIN(x0, x1), FXMAX(x0, x1), FXMIN(y0, y1), FXMAX(y0, y1)};
    outf("gsave newpath %g %g moveto %g %g lineto %g %g lineto %g %g lineto closepath clip newpath\n", x0, y0, x1, y0,
         x1, y1, x0, y1);
    clipping = sink != nullptr;
}

void FXDCPostscript::setClipRectangle(const FXRectangle& rectangle) {
    setClipRectangle(rectangle.x, rectangle.y, rectangle.w, rectangle.h);
}

void FXDCPostscript::clearClipRectangle() {
    if (!open()) return;
    endClip();
}

// ---- attributes ----------------------------------------------------------

void FXDCPostscript::setForeground(FXColor clr) {
    fg = clr;
    if (!open()) return;
    outf("%g %g %g setrgbcolor\n", FXREDVAL(clr) / 255.0, FXGREENVAL(clr) / 255.0, FXBLUEVAL(clr) / 255.0);
}

void FXDCPostscript::writeLineWidth() {
    if (lineWidthFractional)
        outf("%g setlinewidth\n", lineWidth);
    else
        outf("%d setlinewidth\n", (int)lineWidth);
}

void FXDCPostscript::setLineWidth(FXuint linewidth) {
    width = linewidth;
    lineWidth = linewidth;
    lineWidthSet = true;
    lineWidthFractional = false;
    if (!open()) return;
    writeLineWidth();
}

void FXDCPostscript::setLineWidthPoints(FXdouble points) {
    width = (FXuint)points;
    lineWidth = points;
    lineWidthSet = true;
    lineWidthFractional = true;
    if (!open()) return;
    writeLineWidth();
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
    writeDashes();
}

void FXDCPostscript::writeDashes() {
    if (style == LINE_SOLID) {
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
