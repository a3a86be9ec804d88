#pragma once
// tvq418d's life: the socket, the chain service behind it, systemd told how it goes, until
// SIGTERM or SIGINT.

#include "service/daemon_options.h"

namespace tvq::service {

// Serves until a stop signal (exit 0), or fails to make the socket (exit 1, said on stderr).
int runDaemon(const DaemonOptions& options);

}  // namespace tvq::service
