#pragma once
// The termios side of the line settings.

#include <termios.h>

#include <optional>
#include <string>

#include "LineSettings.h"

namespace serial {

// The device state for settings, built on the device's current state: raw 8N1 with parity as
// chosen and not checked on input, no hardware or software flow control, receiver on, modem lines
// ignored. Nothing when the rate has no termios speed.
std::optional<termios> lineTermios(const termios& current, const proto::LineSettings& settings);

// Applies lineTermios and holds DTR and RTS off. Returns why it failed, in plain words for the
// user; empty when the device took the settings.
std::string applyLineSettings(int fd, const proto::LineSettings& settings);

// Drops whatever is queued in both directions.
void discardQueues(int fd);

// The bytes the device still holds for sending, or nothing where the driver cannot say: a
// pseudo-terminal reads as empty while it holds bytes its far end has not read.
std::optional<int> outputQueued(int fd);

}  // namespace serial
