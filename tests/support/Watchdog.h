// Clean-up that happens however a test process ends.  A process that dies
// (an abort, a crash, ctest killing it for its time limit) runs no
// destructor: whatever it started in the background (a router, a Firebird
// server, a CUPS scheduler) would outlive it.  A Watchdog is a small shell
// of its own session that waits on a pipe whose write end only this process
// holds; when the pipe closes without a word, the shell runs the command.
//
//   testsupport::Watchdog guard("scripts/fbserver stop " + shellQuote(dir));
//   ...                                 // the server runs
//   stopTheServer(); guard.disarm();    // the normal end: nothing to do
#ifndef PLENWICK_WATCHDOG_H
#define PLENWICK_WATCHDOG_H

#include <string>

namespace testsupport {

class Watchdog {
public:
    Watchdog() {}
    // Starts watching; `command` runs under /bin/sh with no terminal and
    // none of this process's files.
    explicit Watchdog(const std::string& command) { arm(command); }
    // Leaves the command to the watcher: it runs now, in the background.
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // False when no watcher could be started.
    bool arm(const std::string& command);
    bool armed() const { return pipe_ >= 0; }
    // The owner has cleaned up itself: the watcher ends without the command.
    void disarm();

private:
    int pipe_ = -1;  // write end of the pipe the watcher reads
};

}  // namespace testsupport

#endif
