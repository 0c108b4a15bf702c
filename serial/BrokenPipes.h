#pragma once
// A write to a socket or a pipe whose far end has gone must fail with EPIPE, not end the
// program: the network library writes to its sockets without MSG_NOSIGNAL, and a script may
// close its end of our output. Every program calls this at start, and so does the network
// library's loop for whoever else uses it; a crash reporter's handler gives way too.

#include <signal.h>

namespace serial {

inline void ignoreBrokenPipes() {
    ::signal(SIGPIPE, SIG_IGN);
}

}  // namespace serial
