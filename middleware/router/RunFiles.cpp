#include "router/RunFiles.h"

#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace isectd {

bool makeDirs(const std::string& path, unsigned mode) {
    std::string partial;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty()) continue;
        if (mkdir(partial.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST) return false;
    }
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool writeFileAtomic(const std::string& path, const std::string& text) {
    std::string tmp = path + ".tmp";
    FILE* f = fopen(tmp.c_str(), "w");
    if (!f) return false;
    bool ok = fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = (fclose(f) == 0) && ok;
    return ok && rename(tmp.c_str(), path.c_str()) == 0;
}

bool isRouterProcess(pid_t pid) {
    if (kill(pid, 0) != 0 && errno != EPERM) return false;
    FILE* f = fopen(("/proc/" + std::to_string(pid) + "/comm").c_str(), "r");
    if (!f) return true;  // no /proc: trust the pid
    char name[64] = "";
    bool isectd = fgets(name, sizeof name, f) && strncmp(name, "isectd", 6) == 0;
    fclose(f);
    return isectd;
}

}  // namespace isectd
