#pragma once

#include <QtGlobal>

// What memory the process can still have, for refusing work that would not fit before it starts.
namespace SystemMemory {

// What the system has free (swap included), within the process's own limit on address space;
// negative when neither can be read.
qint64 available();

} // namespace SystemMemory
