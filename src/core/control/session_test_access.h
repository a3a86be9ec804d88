#pragma once
// For tests only: the direct line and panelLock behind a Session, which its public face keeps
// to itself so that the GUI cannot tell a direct line from an attached one.

#include <mutex>

#include "core/control/session.h"

namespace tvq {

struct SessionTestAccess {
    static DeviceLink& link(Session& session);
    static std::mutex& panelLock(Session& session);
};

}  // namespace tvq
