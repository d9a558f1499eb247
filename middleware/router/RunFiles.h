// Files of the router's log and run directories.
#ifndef ISECTD_RUNFILES_H
#define ISECTD_RUNFILES_H

#include <sys/types.h>

#include <string>

namespace isectd {

// Creates the directory and its parents (new ones with `mode`); true when it
// exists afterwards.
bool makeDirs(const std::string& path, unsigned mode = 0755);
// Writes through a temporary file and a rename: readers polling a run file
// never see it half written.
bool writeFileAtomic(const std::string& path, const std::string& text);
// Whether `pid` is a running isectd; a pid file may outlive its router and
// its pid be reused by another program.
bool isRouterProcess(pid_t pid);

}  // namespace isectd

#endif
