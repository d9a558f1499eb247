// Files of the client: names taken from data, and whole files read and
// written (attachments, transfer files, exported pages).
//
//   CleanFileName("Fractions 1/2")        "Fractions 1 2"
//   LastPathComponent("C:\\work\\a.doc")  "a.doc"
//   FXString bytes;
//   if (ReadWholeFile(path, bytes) == FileRead::Missing) ...
#ifndef PLENWICK_FILES_H
#define PLENWICK_FILES_H

#include <fx.h>

// Each of the nine characters < > : \ / | ? * and the double quote becomes a
// space, so that a name taken from data stays one name inside the directory
// it is meant for.  Any other text is returned unchanged.
FX::FXString CleanFileName(const FX::FXString& name);

// The part after the last "/" or "\" (the whole text when it has neither).
FX::FXString LastPathComponent(const FX::FXString& path);

// The largest file the client reads whole: 1 GiB (its base64 text must fit
// an FXString).
constexpr FX::FXlong largestFile = 1024LL * 1024 * 1024;

enum class FileRead { Done, Missing, Unreadable, TooLarge };
// The file's bytes into `bytes`; on failure `bytes` is empty.
FileRead ReadWholeFile(const FX::FXString& path, FX::FXString& bytes);
// Creates or replaces the file with exactly `bytes`; false when it cannot be
// opened or not every byte was written.
FX::FXbool WriteWholeFile(const FX::FXString& path, const FX::FXString& bytes);
FX::FXbool WriteWholeFile(const FX::FXString& path, const char* data, size_t size);

// Why a file could not be opened or written, in a user's words, from the C
// library's error number: "the folder does not exist", "permission denied",
// "the disk is full"...
FX::FXString FileErrorText(int error);
// Empty when `path` may be written as a file of its own (an ordinary file to
// replace, or a new one); otherwise why not, in the words of FileErrorText:
// a folder, a device, or a place of the system (/proc, /sys, /dev) that holds
// no files.  Opening the file may still fail (permissions).
FX::FXString CannotWriteReason(const FX::FXString& path);

// The settings file ".\Registry.ini" written with this platform's separator.
FX::FXString registryFileName();
// A relative path written with backslashes, turned to this platform's separator.
FX::FXString localPath(const FX::FXString& windowsPath);

#endif
