#pragma once

// The identity of the running process, to tell a forked child from the process it came from.
namespace softtoken {

unsigned long currentProcessId();

} // namespace softtoken
