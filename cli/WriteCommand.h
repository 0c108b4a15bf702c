#pragma once
// write: settings written, the others read first.

#include "SettingOptions.h"

struct WriteOptions {
    SettingOptions given;
    SettingChanges changes;  // the settings given, once checked
    bool verify = false;     // read back and compare
};
