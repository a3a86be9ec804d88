#pragma once
// The controller's way into a chain service (tvq418d): a ServiceAttachment over its socket.

#include "core/control/service_attachment.h"

// Empty when this build has no service client: a service choice then fails with a clear word.
tvq::ServiceAttacher serviceAttacher();
