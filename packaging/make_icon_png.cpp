// Writes the program's own icon (the icon-file image of its title bars) as a
// PNG file for the desktop's icon theme, grey (192,192,192) transparent as
// on the screen.
//
//   make_icon_png OUT.png
#include <fx.h>
// fx.h leaves out the PNG format.
#include <FXPNGIcon.h>

#include <cstdio>

#include "ui/IconData.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon_png OUT.png\n");
        return 2;
    }
    FX::FXMemoryStream in;
    in.open(FX::FXStreamLoad, const_cast<FX::FXuchar*>(appIconData));
    FX::FXColor* pixels = nullptr;
    FX::FXint width = 0, height = 0, xspot = 0, yspot = 0;
    if (!FX::fxloadICO(in, pixels, width, height, xspot, yspot)) {
        std::fprintf(stderr, "make_icon_png: the icon data does not load\n");
        return 1;
    }
    const FX::FXColor transparent = FXRGB(192, 192, 192);
    for (FX::FXint i = 0; i < width * height; ++i)
        if ((pixels[i] & 0x00FFFFFF) == (transparent & 0x00FFFFFF)) pixels[i] = 0;
    FX::FXFileStream out;
    const bool ok = out.open(argv[1], FX::FXStreamSave) && FX::fxsavePNG(out, pixels, width, height) && out.close();
    FXFREE(&pixels);
    if (!ok) std::fprintf(stderr, "make_icon_png: cannot write %s\n", argv[1]);
    return ok ? 0 : 1;
}
