#pragma once
// One connect, run on its own thread: open the chosen link and check the addressed device,
// holding panelLock from the first step to the last.

#include <functional>
#include <stop_token>

#include "core/control/session.h"

namespace tvq {

struct SessionCore;

// Reports connectFinished exactly once, whatever happens. After a good check it calls
// startWorkers, unless a stop was requested meanwhile (a Disconnect or the end of the session
// is about to follow).
void runConnectJob(SessionCore& core, const LinkOpener& opener, const LinkChoice& choice,
                   std::stop_token stop, const std::function<void()>& startWorkers);

}  // namespace tvq
