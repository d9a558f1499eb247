#include "data/Files.h"

#include <sys/stat.h>
#include <sys/vfs.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

FXString FileErrorText(int error) {
    switch (error) {
        case ENOENT:
            return "the folder does not exist";
        case ENOTDIR:
            return "a part of the path is not a folder";
        case EACCES:
        case EPERM:
            return "permission denied";
        case EROFS:
            return "the place is read-only";
        case ENOSPC:
        case EDQUOT:
            return "the disk is full";
        case EISDIR:
            return "it is a folder";
        case ENAMETOOLONG:
            return "the name is too long";
        case EFBIG:
            return "the file is too large";
        case EIO:
            return "the disk reported an error";
        default:
            return strerror(error);
    }
}

FXString CannotWriteReason(const FXString& path) {
    if (path.empty()) return FileErrorText(ENOENT);
    struct stat info;
    if (stat(path.text(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return FileErrorText(EISDIR);
        if (!S_ISREG(info.st_mode)) return "it is a device, not a file";
    }
    // The folder the file is (or would be) in.
    FXint slash = path.rfind('/');
    FXString folder = slash > 0 ? path.left(slash) : slash == 0 ? FXString("/") : FXString(".");
    struct statfs fs;
    if (statfs(folder.text(), &fs) == 0) {
        // The kernel's own file systems: their "files" are the system's settings.
        const long proc = 0x9fa0, sysfs = 0x62656572, devpts = 0x1cd1;
        const long type = (long)fs.f_type;
        if (type == proc || type == sysfs || type == devpts) return "it is a place of the system, not for files";
    }
    char* real = realpath(folder.text(), nullptr);
    if (real) {
        const bool devices = strcmp(real, "/dev") == 0 || strncmp(real, "/dev/", 5) == 0;
        free(real);
        if (devices) return "it is a place of the system, not for files";
    }
    return FXString();
}
