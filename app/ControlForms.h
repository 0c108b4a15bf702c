#pragma once
// The main window's forms as the engine's adapter reads them: the module settings and the send
// test read from their controls into field texts and list indexes, a setup shown back in them,
// and the values every control starts with.

#include "ControlTexts.h"
#include "LayoutBuilder.h"

namespace form {

proto::SetupFields readSetup(const DialogControls& controls);
void showSetup(const DialogControls& controls, const proto::SetupFields& values);
proto::SendDataFields readSendData(const DialogControls& controls);
void setStartValues(const DialogControls& controls);

}  // namespace form
