#pragma once
// The setup exchanges read, write and apply share.

#include <string>

#include "Session.h"
#include "Settings.h"

proto::SetupValues readValues(Session& session);

// "key wrote X read Y" for every setting that differs; empty when none does.
std::string mismatch(const proto::SetupValues& expected, const proto::SetupValues& actual);
