#pragma once
// A line whose far end never reads: the test fills it from the port's side through its own
// descriptor of the pty slave, until the kernel takes no more.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

#include "PtyPair.h"

// Returns the number of bytes the line took before it stayed full.
std::size_t fillLine(PtyPair& pty);

// Reads the far end, throwing away what came before, until what it has read ends with tail.
bool farEndReceives(PtyPair& pty, std::span<const std::uint8_t> tail,
                    std::chrono::milliseconds limit = std::chrono::milliseconds(5000));

// Seconds since start, for the figures.
double secondsSince(std::chrono::steady_clock::time_point start);
