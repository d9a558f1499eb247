#include "data/FileNames.h"

using namespace FX;

FXString CleanFileName(const FXString& name) {
    FXString clean = name;
    for (FXint i = 0; i < clean.length(); ++i) {
        switch (clean[i]) {
            case '<':
            case '>':
            case ':':
            case '\\':
            case '/':
            case '|':
            case '?':
            case '*':
            case '"': clean[i] = ' '; break;
            default: break;
        }
    }
    return clean;
}

FXString LastPathComponent(const FXString& path) {
    FXint at = path.length();
    while (at > 0 && path[at - 1] != '/' && path[at - 1] != '\\') --at;
    return path.mid(at, path.length() - at);
}
