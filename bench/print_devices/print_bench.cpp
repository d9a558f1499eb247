// print_bench [pages] [rows]
// Draws report-like pages (a header, ruled rows of text) through
// FXDCNativePrinter into a PostScript file, and writes table rows through
// FXDChtml; prints the time, the rate and the file size of each.
#include <fx.h>
#include <unistd.h>

#include <sys/stat.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "print/FXDCNativePrinter.h"
#include "print/FXDChtml.h"

using namespace FX;
using Clock = std::chrono::steady_clock;

static double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

static long fileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? (long)st.st_size : -1;
}

int main(int argc, char** argv) {
    int pages = argc > 1 ? atoi(argv[1]) : 200;
    int rows = argc > 2 ? atoi(argv[2]) : 100000;
    FXApp app("PrintBench", "Brellmoor");
    char dir[] = "/tmp/plenwick-print-benchXXXXXX";
    if (!mkdtemp(dir)) return 1;
    std::string ps = std::string(dir) + "/bench.ps", html = std::string(dir) + "/bench.html";

    FXFont label(&app, "helvetica", 9, FXFont::DemiBold);
    FXFont text(&app, "arial", 9);
    FXNativePrinter job;
    job.name = ps.c_str();
    job.flags = FXNativePrinter::DEST_FILE;
    job.lastpage = (FXuint)pages;
    FXDCNativePrinter dc(&app);
    Clock::time_point start = Clock::now();
    if (!dc.beginPrint(job)) return 1;
    for (int page = 1; page <= pages; page++) {
        dc.beginPage((FXuint)page);
        dc.setForeground(FXRGB(255, 255, 255));
        dc.fillRectangle(0, 0, dc.getPageWidth(), dc.getPageHeight());
        dc.setForeground(FXRGB(0, 0, 0));
        dc.setFont(&label);
        dc.drawText(15, 19, "Lesson Summary (Term 1)");
        dc.setFont(&text);
        for (int y = 60; y < dc.getPageHeight() - 60; y += 14) {
            for (int x = 13; x < dc.getPageWidth() - 100; x += 100) {
                dc.drawRectangle(x, y - 1, 100, 15);
                dc.drawText(x + 2, y + 11, "Fractions \\ (2) 100%");
            }
        }
        dc.endPage();
    }
    dc.endPrint();
    double t = seconds(start);
    printf("postscript: %d pages in %.3f s, %.0f pages/s, %ld bytes\n", pages, t, pages / t, fileSize(ps));

    FXDChtml hdc(&app);
    FXString names[4] = {"DATESTART", "LESSONNAME", "LESSONDEV", "NOTES"};
    FXString values[4] = {"03/02/26", "Fractions", "Halves and quarters\nwith paper strips", ""};
    start = Clock::now();
    if (!hdc.beginPrint(html.c_str())) return 1;
    hdc.writeHeaderRow(names, 4);
    for (int i = 0; i < rows; i++) hdc.writeRow(names, values, 4);
    hdc.endPrint();
    t = seconds(start);
    printf("html: %d rows in %.3f s, %.0f rows/s, %ld bytes\n", rows, t, rows / t, fileSize(html));

    unlink(ps.c_str());
    unlink(html.c_str());
    rmdir(dir);
    return 0;
}
