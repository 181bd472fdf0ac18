// Permission checks mean nothing to root, and CI runs as root: such a test
// re-runs itself as user nobody.
#pragma once

#include <QString>

// True when this process is not root (the check can run here). As root,
// re-runs the current test in a child process as nobody and reports its
// result through gtest; the caller then returns.
bool RunUnprivileged();
