#pragma once

#include <functional>

// Asked every few hundred rows of a long read; false stops the read, which
// then reports a failure, so that a read nobody waits for ends early.
using KeepGoing = std::function<bool()>;
