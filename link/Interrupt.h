#pragma once
// Ctrl+C ends a link test or the monitor with its summary instead of killing the program, so
// the port is closed cleanly.

void catchInterrupt();
bool interrupted();
