#include "support/Watchdog.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

bool Watchdog::arm(const std::string& command) {
    disarm();
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    // "done" on the pipe is the owner's own end; anything else (the pipe
    // closed by the death of every process holding its write end) runs the
    // command.  The watcher is a shell from the start, so that killing the
    // test program by name does not kill its watcher too.
    const std::string script = "if read -r word <&3 && [ \"$word\" = done ]; then exit 0; fi; " + command;
    const pid_t pid = fork();
    if (pid == 0) {
        // Fork again so that the watcher is nobody's zombie, and leave the
        // test's session and process group: a kill of those spares it.
        if (fork() != 0) _exit(0);
        setsid();
        // Keep nothing of the test program open but the pipe's read end: a
        // client socket held here would hide its close from the router, and
        // a held output pipe would keep ctest waiting.
        if (fds[0] == 3)
            fcntl(3, F_SETFD, 0);
        else
            dup2(fds[0], 3);
        const int null = open("/dev/null", O_RDWR);
        for (int fd = 0; fd < 3; ++fd) dup2(null, fd);
        close_range(4, ~0U, 0);
        execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[0]);
    if (pid < 0) {
        close(fds[1]);
        return false;
    }
    waitpid(pid, nullptr, 0);
    pipe_ = fds[1];
    return true;
}

void Watchdog::disarm() {
    if (pipe_ < 0) return;
    if (write(pipe_, "done\n", 5) != 5) {
        // The watcher is gone already; nothing is left to tell.
    }
    close(pipe_);
    pipe_ = -1;
}

Watchdog::~Watchdog() {
    if (pipe_ >= 0) close(pipe_);
}

}  // namespace testsupport
