#pragma once
// A loopback TCP port no one listens on, for a server a test starts itself.

// Bound, read and given back: the server takes it a moment later. Another test taking the same
// number in between is unlikely and shows as a start that fails. 0 when none could be had.
int freeLoopbackPort();
