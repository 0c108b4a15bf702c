#pragma once
// The main window's forms as the engine and its adapter read them: the port panel's choice, the
// module settings and the send test read from their controls, what was opened and a setup shown
// back in them, and the values every control starts with.

#include <optional>

#include "ControlTexts.h"
#include "LayoutBuilder.h"
#include "ReopenMemory.h"

namespace form {

// The chosen port with its rate and parity; nothing while no port is chosen or a typed-over
// list has no selection.
std::optional<engine::PortSettings> readPort(const DialogControls& controls);
void showPort(const DialogControls& controls, const engine::PortSettings& settings);

forms::SetupFields readSetup(const DialogControls& controls);
void showSetup(const DialogControls& controls, const forms::SetupFields& values);
forms::SendDataFields readSendData(const DialogControls& controls);
void setStartValues(const DialogControls& controls);

// The chosen sending interval in ticks; a list typed over sends at the first interval.
int readIntervalTicks(const DialogControls& controls);
// Relays are chosen only for a source route: the relaying list follows the route mode, and the
// relay fields the relaying count.
void followRouteMode(const DialogControls& controls);
void followRelaying(const DialogControls& controls);

}  // namespace form
