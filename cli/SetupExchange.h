#pragma once
// The setup exchanges read, write and apply share.

#include <optional>
#include <string>

#include "Messages.h"
#include "Session.h"
#include "Settings.h"

proto::SetupValues readValues(Session& session);

// The module's setup both as its controls show it and as the numbers it sent, for the record.
struct ModuleSetup {
    proto::SetupValues values;
    std::optional<proto::Setup> setup;  // nothing for a reply the frame reader would not take
};
ModuleSetup readModule(Session& session);

// "key wrote X read Y" for every setting that differs; empty when none does.
std::string mismatch(const proto::SetupValues& expected, const proto::SetupValues& actual);

// The seven values complete settings write, as the write frame carries them; nothing unless
// all seven are given.
std::optional<proto::Setup> setupOf(const SettingChanges& settings);
