// The window's worker slot lives with the window logic; the Qt window's code
// and tests know it by its old name.
#pragma once

#include "ui/worker_slot.h"

namespace tarnwell::app {
using WorkerSlot = ui::WorkerSlot;
}  // namespace tarnwell::app
