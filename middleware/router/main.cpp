// isectd -c CONFIG: the message router.  Stays in the foreground.
#include "router/Config.h"
#include "router/Router.h"

#include <cstdio>
#include <cstring>
#include <string>

static int usage() {
    fprintf(stderr,
            "usage: isectd -c CONFIG\n"
            "Routes the requests of ISDIO clients to the workers of their service;\n"
            "starts and supervises the workers named in CONFIG.  Stays in the foreground;\n"
            "SIGTERM or SIGINT ends the workers and then the router.\n");
    return 2;
}

int main(int argc, char** argv) {
    std::string path;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "-c") == 0 && i + 1 < argc)
            path = argv[++i];
        else
            return usage();
    }
    if (path.empty()) return usage();
    isectd::RouterConfig config;
    std::string error;
    if (!isectd::loadConfig(path, config, error)) {
        fprintf(stderr, "isectd: %s\n", error.c_str());
        return 1;
    }
    return isectd::runRouter(config);
}
