#pragma once
// The command line's failures as Python exceptions, one class per exit code: PortError,
// NoReply, ModuleRefused, UsageError (also a ValueError), all meshcfg.Error, each with the
// port, the reason and the exit code. Ctrl+C becomes the interpreter's own KeyboardInterrupt.

#include <pybind11/pybind11.h>

#include <optional>
#include <string>

#include "Failure.h"

namespace python {

// A Failure on a named port.
class PortFailure : public modlink::Failure {
  public:
    PortFailure(const modlink::Failure& failure, std::string port)
        : modlink::Failure(failure.code(), failure.what()), m_port(std::move(port)) {}
    const std::string& port() const { return m_port; }

  private:
    std::string m_port;
};

// Adds the classes to the module and turns Failures into them.
void declareErrors(pybind11::module_& module);

}  // namespace python
