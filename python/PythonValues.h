#pragma once
// Between the engine's values and Python's: JSON documents as the command line prints them
// become dicts and lists, and keyword arguments become setting changes by the same rules as
// the command line's options.

#include <pybind11/pybind11.h>

#include "Settings.h"

namespace python {

pybind11::object pythonValue(const modlink::Json& json);

// frequency=434.0, life_cycle="1h", node_id=301, ...; a Failure with kExitUsage for an unknown
// key or a value the setting refuses.
proto::SettingChanges settingChanges(const pybind11::kwargs& settings);

// A Python int as a whole number of the engine; a Failure with kExitUsage naming what when it
// does not fit.
std::int64_t wholeNumber(const pybind11::handle& value, const std::string& what);

}  // namespace python
