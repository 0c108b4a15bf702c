#pragma once
// The setup exchanges read, write and apply share.

#include <string>

#include "Messages.h"
#include "Session.h"
#include "Settings.h"

proto::Setup readSetupValues(Session& session);
void writeSetupValues(Session& session, const proto::Setup& setup);

// "key wrote X read Y" for every setting that differs; empty when none does.
std::string mismatch(const proto::Setup& expected, const proto::Setup& actual);
