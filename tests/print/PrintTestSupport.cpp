#include "print/PrintTestSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include <FXPNGImage.h>
#include <gtest/gtest.h>

#include "print/FXDCNativePrinter.h"
#include "print/FXNativePrintDialog.h"
#include "support/Services.h"

using namespace FX;

namespace printtest {

FXApp* theApp = nullptr;
bool displayOpen = false;

FXApp* app() { return theApp; }
bool haveDisplay() { return displayOpen; }

void useApp(FXApp* application, bool display) {
    theApp = application;
    displayOpen = display;
}

std::vector<std::unique_ptr<testsupport::TempDir>> scratchDirs;

std::string scratchDir() {
    scratchDirs.push_back(std::make_unique<testsupport::TempDir>("plenwick-print-test"));
    return scratchDirs.back()->path();
}

void removeScratchDirs() { scratchDirs.clear(); }

bool fileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

int ghostscript(const std::string& file, std::string* messages) {
    return testsupport::run("gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=nullpage '" + file + "' 2>&1", messages);
}

int Raster::grey(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 255;
    const unsigned char* p = &rgb[(size_t)(y * width + x) * 3];
    return (p[0] * 30 + p[1] * 59 + p[2] * 11) / 100;
}

int Raster::darkPixels(int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++) n += grey(x, y) < 128;
    return n;
}

bool loadPng(const std::string& png, Raster& raster) {
    FXFileStream stream;
    if (!stream.open(png.c_str(), FXStreamLoad)) return false;
    FXPNGImage image(app(), nullptr, IMAGE_KEEP);
    if (!image.loadPixels(stream)) return false;
    raster.width = image.getWidth();
    raster.height = image.getHeight();
    raster.rgb.resize((size_t)raster.width * raster.height * 3);
    const FXColor* data = image.getData();
    for (int i = 0; i < raster.width * raster.height; i++) {
        raster.rgb[i * 3] = FXREDVAL(data[i]);
        raster.rgb[i * 3 + 1] = FXGREENVAL(data[i]);
        raster.rgb[i * 3 + 2] = FXBLUEVAL(data[i]);
    }
    return true;
}

Raster imageOf(FXImage* image) {
    image->restore();
    Raster r;
    r.width = image->getWidth();
    r.height = image->getHeight();
    r.rgb.resize((size_t)r.width * r.height * 3);
    const FXColor* data = image->getData();
    for (int i = 0; i < r.width * r.height; i++) {
        r.rgb[i * 3] = FXREDVAL(data[i]);
        r.rgb[i * 3 + 1] = FXGREENVAL(data[i]);
        r.rgb[i * 3 + 2] = FXBLUEVAL(data[i]);
    }
    return r;
}

double darkAgreement(const Raster& a, const Raster& b, int dx, int dy, int reach) {
    int dark = 0, matched = 0;
    for (int y = 0; y < a.height; y++)
        for (int x = 0; x < a.width; x++) {
            if (a.grey(x, y) >= 128) continue;
            dark++;
            bool found = false;
            for (int v = -reach; v <= reach && !found; v++)
                for (int u = -reach; u <= reach && !found; u++) found = b.grey(x + dx + u, y + dy + v) < 128;
            matched += found;
        }
    return dark ? (double)matched / dark : 1.0;
}

bool renderAt(const std::string& file, int page, double dpi, Raster& raster, std::string* messages) {
    std::string png = file + "." + std::to_string(page) + ".png";
    char res[32];
    snprintf(res, sizeof res, "%g", dpi);
    std::string text;
    int rc = testsupport::run(
        "gs -q -dNOPAUSE -dBATCH -dSAFER -r" + std::string(res) +
            " -sDEVICE=png16m -dFirstPage=" + std::to_string(page) + " -dLastPage=" + std::to_string(page) +
            " -sOutputFile=" + testsupport::shellQuote(png) + " " + testsupport::shellQuote(file) + " 2>&1",
        &text);
    if (messages) *messages = text;
    return rc == 0 && loadPng(png, raster);
}

bool renderPage(const std::string& file, Raster& raster, std::string* messages) {
    std::string png = file + ".png";
    int rc = testsupport::run(
        "gs -q -dNOPAUSE -dBATCH -dSAFER -r72 -dFirstPage=1 -dLastPage=1 -sDEVICE=png16m "
        "-sPAPERSIZE=letter -sOutputFile='" +
            png + "' '" + file + "' 2>&1",
        messages);
    if (rc != 0) return false;
    return loadPng(png, raster);
}

std::vector<Box> inkBoxes(const std::string& file, std::string* messages) {
    std::string text;
    std::vector<Box> boxes;
    int rc = testsupport::run(
        "gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=bbox " + testsupport::shellQuote(file) + " 2>&1", &text);
    if (messages) *messages = text;
    if (rc != 0) return boxes;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        Box b;
        if (sscanf(line.c_str(), "%%%%HiResBoundingBox: %lf %lf %lf %lf", &b.x0, &b.y0, &b.x1, &b.y1) == 4)
            boxes.push_back(b);
    }
    return boxes;
}

int pageCount(const std::string& file) { return (int)inkBoxes(file).size(); }

std::vector<Box> boundingBoxComments(const std::string& ps, const std::string& comment) {
    std::vector<Box> boxes;
    std::string key = "%%" + comment + ": ";
    for (size_t at = ps.find(key); at != std::string::npos; at = ps.find(key, at + 1)) {
        if (at > 0 && ps[at - 1] != '\n') continue;
        Box b;
        if (sscanf(ps.c_str() + at + key.size(), "%lf %lf %lf %lf", &b.x0, &b.y0, &b.x1, &b.y1) == 4)
            boxes.push_back(b);
    }
    return boxes;
}

int pdfText(const std::string& file, std::string& text) {
    std::string pdf = file;
    int rc = 0;
    if (file.size() < 4 || file.substr(file.size() - 4) != ".pdf") {
        pdf = file + ".pdf";
        rc = testsupport::run("ps2pdf " + testsupport::shellQuote(file) + " " + testsupport::shellQuote(pdf) + " 2>&1",
                              &text);
        if (rc != 0) return rc;
    }
    return testsupport::run("pdftotext -enc UTF-8 " + testsupport::shellQuote(pdf) + " - 2>&1", &text);
}

namespace {
std::string unescapeXml(std::string s) {
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& e : entities)
        for (size_t at = s.find(e.first); at != std::string::npos; at = s.find(e.first, at + 1))
            s.replace(at, strlen(e.first), e.second);
    return s;
}
}  // namespace

std::vector<Word> words(const std::string& file) {
    std::vector<Word> out;
    std::string pdf = file, html;
    if (file.size() < 4 || file.substr(file.size() - 4) != ".pdf") {
        pdf = file + ".pdf";
        if (testsupport::run("ps2pdf " + testsupport::shellQuote(file) + " " + testsupport::shellQuote(pdf) + " 2>&1",
                             &html) != 0)
            return out;
    }
    if (testsupport::run("pdftotext -bbox -enc UTF-8 " + testsupport::shellQuote(pdf) + " - 2>/dev/null", &html,
                         false) != 0)
        return out;
    int page = 0;
    std::istringstream lines(html);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find("<page ") != std::string::npos) ++page;
        size_t at = line.find("<word ");
        if (at == std::string::npos) continue;
        Word w;
        w.page = page;
        if (sscanf(line.c_str() + at, "<word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\"", &w.x0, &w.y0, &w.x1,
                   &w.y1) != 4)
            continue;
        size_t open = line.find('>', at), close = line.find("</word>", at);
        if (open == std::string::npos || close == std::string::npos) continue;
        w.text = unescapeXml(line.substr(open + 1, close - open - 1));
        out.push_back(w);
    }
    return out;
}

std::string squeeze(const std::string& text) {
    std::string out, line;
    std::istringstream lines(text);
    while (std::getline(lines, line)) {
        size_t b = line.find_first_not_of(" \t\f\r");
        if (b == std::string::npos) continue;
        size_t e = line.find_last_not_of(" \t\f\r");
        out += line.substr(b, e - b + 1) + "\n";
    }
    return out;
}

FXDEFMAP(ModalAnswer) ModalAnswerMap[] = {FXMAPFUNC(SEL_CHORE, ModalAnswer::ID_IDLE, ModalAnswer::onIdle)};
FXIMPLEMENT(ModalAnswer, FXObject, ModalAnswerMap, ARRAYNUMBER(ModalAnswerMap))

void ModalAnswer::arm() { app()->addChore(this, ID_IDLE); }

long ModalAnswer::onIdle(FXObject*, FXSelector, void*) {
    FXWindow* modal = app()->getModalWindow();
    if (modal && modal != outer && !answered) {
        answered = true;
        answer(modal);
    } else if (!answered) {
        arm();
    }
    return 1;
}

FXNativePrinter fileJob(const std::string& file, FXuint flags) {
    FXNativePrinter job;
    job.name = file.c_str();
    job.flags = flags;
    return job;
}

void reportPages(FXDCNativePrinter& dc, FXFont& font) {
    const FXint W = dc.getContentWidth(), H = dc.getContentHeight();
    for (FXuint page = 1; page <= 2; page++) {
        dc.beginPage(page);
        dc.setForeground(FXRGB(0, 0, 0));
        dc.drawRectangle(0, 0, W, H);
        dc.setFont(&font);
        dc.drawText(15, 19, page == 1 ? "Unit Summary" : "Second page");
        if (page == 1) {
            for (FXint x = 13; x + 120 <= W; x += 120) dc.drawRectangle(x, 35, 120, 40);
            dc.fillRectangle(13, 90, 200, 30);
        } else {
            dc.fillRectangle(W / 2, H / 2, 60, 120);
            dc.drawLine(13, H - 40, W - 13, H - 40);
        }
        dc.endPage();
    }
}

void clearPrinterSettings() {
    app()->reg().deleteSection("PRINTER");
    app()->reg().deleteSection("PAPER");
}

size_t count(const std::string& text, const std::string& needle) {
    size_t n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) n++;
    return n;
}

void expectGoodLetterPages(const std::string& file, int pages) {
    std::string messages;
    EXPECT_EQ(ghostscript(file, &messages), 0) << messages;
    std::vector<Box> boxes = inkBoxes(file, &messages);
    EXPECT_EQ((int)boxes.size(), pages) << messages;
    for (size_t i = 0; i < boxes.size(); ++i) {
        const Box& b = boxes[i];
        EXPECT_GE(b.x0, 0.0) << "page " << i + 1;
        EXPECT_GE(b.y0, 0.0) << "page " << i + 1;
        EXPECT_LE(b.x1, 612.0) << "page " << i + 1;
        EXPECT_LE(b.y1, 792.0) << "page " << i + 1;
    }
    std::vector<int> footers(pages + 1, 0);
    for (const Word& w : words(file))
        // (A landscape page reads back turned: 792 wide.)
        if (w.text == "Brellmoor" && w.page >= 1 && w.page <= pages && w.y1 <= 792 && w.x1 <= 792) footers[w.page]++;
    for (int page = 1; page <= pages; ++page) EXPECT_EQ(footers[page], 1) << "footer of page " << page;
}

std::function<void(FX::FXWindow*)> chooseFileAndPrint(int destination, const std::string& file) {
    return [=](FX::FXWindow* w) {
        FXNativePrintDialog* dlg = dynamic_cast<FXNativePrintDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        dlg->handle(dlg, FXSEL(FX::SEL_COMMAND, FXNativePrintDialog::ID_TO_PRINTER + destination), nullptr);
        FX::FXTextField* field = destination == 1   ? dlg->fileField()
                                 : destination == 2 ? dlg->htmlField()
                                                    : dlg->pdfField();
        field->setText(file.c_str());
        dlg->handle(dlg, FXSEL(FX::SEL_COMMAND, FXNativePrintDialog::ID_FILE_NAME + destination - 1), nullptr);
        dlg->handle(dlg, FXSEL(FX::SEL_COMMAND, FX::FXDialogBox::ID_ACCEPT), nullptr);
    };
}

}  // namespace printtest
