#pragma once
// The main window's forms as the engine and its adapter read them: the port panel's choice, the
// module settings and the send test read from their controls, what was opened and a setup shown
// back in them, and the values every control starts with.

#include <optional>

#include "ControlTexts.h"
#include "LayoutBuilder.h"
#include "ReopenMemory.h"

namespace app {

// The chosen port with its rate and parity; nothing while no port is chosen or a typed-over
// list has no selection.
std::optional<engine::PortSettings> readPort(const widgets::DialogControls& controls);
void showPort(const widgets::DialogControls& controls, const engine::PortSettings& settings);

forms::SetupFields readSetup(const widgets::DialogControls& controls);
void showSetup(const widgets::DialogControls& controls, const forms::SetupFields& values);
forms::SendDataFields readSendData(const widgets::DialogControls& controls);
void setStartValues(const widgets::DialogControls& controls);

// The chosen sending interval in ticks; a list typed over sends at the first interval.
int readIntervalTicks(const widgets::DialogControls& controls);
// Relays are chosen only for a source route: the relaying list follows the route mode, and the
// relay fields the relaying count.
void followRouteMode(const widgets::DialogControls& controls);
void followRelaying(const widgets::DialogControls& controls);

}  // namespace app
