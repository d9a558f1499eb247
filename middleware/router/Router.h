// isectd: routes client requests to the workers of a service and supervises
// the workers.  Everything runs on one thread in one asio::io_context.
#ifndef ISECTD_ROUTER_H
#define ISECTD_ROUTER_H

#include "router/Config.h"

namespace isectd {

// Runs the router until SIGTERM or SIGINT; returns the process exit status.
int runRouter(const RouterConfig& config);

}  // namespace isectd

#endif
