// The secrets a worker gets from the router (its key, the database
// password) come through an inherited pipe, not the environment: what a
// process was started with stays readable in /proc/PID/environ whatever it
// removes later, and so would every secret passed that way.
#include "isdio.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool taken = false;
std::string serviceKey;

// Overwrites the text before its memory is given back.
void wipe(std::string& text) {
    volatile char* p = &text[0];
    for (size_t i = 0; i < text.size(); ++i) p[i] = 0;
    text.clear();
}

}  // namespace

int isdTakeSecrets(void) {
    if (taken) return 0;
    taken = true;
    const char* fdText = getenv("ISD_SECRETS_FD");
    if (!fdText) {
        // A worker started by hand or by an older router: the key may be in
        // the environment.
        if (const char* key = getenv("ISD_SERVICE_KEY")) serviceKey = key;
        unsetenv("ISD_SERVICE_KEY");
        return 0;
    }
    int fd = atoi(fdText);
    unsetenv("ISD_SECRETS_FD");
    std::string all;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) all.append(buffer, static_cast<size_t>(n));
    memset(buffer, 0, sizeof buffer);
    close(fd);
    int count = 0;
    size_t at = 0;
    while (at < all.size()) {
        size_t end = all.find('\n', at);
        if (end == std::string::npos) end = all.size();
        std::string line = all.substr(at, end - at);
        size_t eq = line.find('=');
        if (eq != std::string::npos && eq > 0) {
            std::string name = line.substr(0, eq), value = line.substr(eq + 1);
            if (name == "ISD_SERVICE_KEY")
                serviceKey = value;
            else
                setenv(name.c_str(), value.c_str(), 1);  // on the heap, not in the process's first environment
            wipe(value);
            ++count;
        }
        wipe(line);
        at = end + 1;
    }
    wipe(all);
    return n < 0 ? -1 : count;
}

std::string isdTakenServiceKey() {
    isdTakeSecrets();
    return serviceKey;
}
