#include "data/Files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

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
            case '"':
                clean[i] = ' ';
                break;
            default:
                break;
        }
    }
    return clean;
}

FXString LastPathComponent(const FXString& path) {
    FXint at = path.length();
    while (at > 0 && path[at - 1] != '/' && path[at - 1] != '\\') --at;
    return path.mid(at, path.length() - at);
}

FileRead ReadWholeFile(const FXString& path, FXString& bytes) {
    bytes = FXString::null;
    FILE* file = fopen(path.text(), "rb");
    if (!file) return errno == ENOENT || errno == ENOTDIR ? FileRead::Missing : FileRead::Unreadable;
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        fclose(file);
        return FileRead::Unreadable;
    }
    if ((FXlong)info.st_size > largestFile) {
        fclose(file);
        return FileRead::TooLarge;
    }
    const size_t size = (size_t)info.st_size;
    FXString data;
    if (size > 0) data.length((FXint)size);
    const size_t got = size > 0 ? fread(&data[0], 1, size, file) : 0;
    // A file that grew meanwhile is read to its size at opening.
    const bool failed = ferror(file) != 0 || got != size;
    fclose(file);
    if (failed) return FileRead::Unreadable;
    bytes = data;
    return FileRead::Done;
}

FXbool WriteWholeFile(const FXString& path, const char* data, size_t size) {
    FILE* file = fopen(path.text(), "wb");
    if (!file) return false;
    const bool written = (size == 0 || fwrite(data, 1, size, file) == size);
    const bool closed = fclose(file) == 0;
    return written && closed;
}

FXbool WriteWholeFile(const FXString& path, const FXString& bytes) {
    return WriteWholeFile(path, bytes.text(), (size_t)bytes.length());
}

FXString localPath(const FXString& windowsPath) {
    FXString path = windowsPath;
    if (PATHSEP != '\\') path.substitute('\\', PATHSEP);
    return path;
}

FXString registryFileName() { return localPath(".\\Registry.ini"); }
