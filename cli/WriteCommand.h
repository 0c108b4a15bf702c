#pragma once
// write: settings written, the others read first.

#include "SettingOptions.h"

namespace cli {

struct WriteOptions {
    SettingOptions given;
    proto::SettingChanges changes;  // the settings given, once checked
    bool verify = false;            // read back and compare
};

}  // namespace cli
