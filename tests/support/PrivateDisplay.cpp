#include "support/PrivateDisplay.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace testsupport {

PrivateDisplay::PrivateDisplay(int width, int height) {
    if (const char* d = getenv("DISPLAY")) {
        previous_ = d;
        hadPrevious_ = true;
    }
    int fds[2];
    if (pipe(fds) != 0) {
        error_ = "no pipe for Xvfb";
        return;
    }
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const std::string fd = std::to_string(fds[1]);
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
        close(fds[0]);
        // The server ends with the test, however the test ends (a crash, a
        // time limit); on SIGTERM it removes its lock file and socket.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);
        // Xvfb picks a free display number and writes it to the pipe once it
        // accepts clients.  -noreset: the server does not start afresh when
        // its last client leaves, which would refuse a program connecting in
        // that moment.
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp", "-noreset",
               (char*)nullptr);
        _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
        close(fds[0]);
        error_ = "could not start Xvfb";
        return;
    }
    std::string number;
    pollfd wait{fds[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos && poll(&wait, 1, 30000) > 0) {
        char buffer[32];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        number.append(buffer, (size_t)n);
    }
    close(fds[0]);
    if (number.empty() || number.find('\n') == std::string::npos) {
        error_ = "Xvfb gave no display number (is the xvfb package installed?)";
        return;
    }
    name_ = ":" + number.substr(0, number.find('\n'));
    setenv("DISPLAY", name_.c_str(), 1);
}

PrivateDisplay::~PrivateDisplay() {
    if (hadPrevious_)
        setenv("DISPLAY", previous_.c_str(), 1);
    else
        unsetenv("DISPLAY");
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
}

}  // namespace testsupport
