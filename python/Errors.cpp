#include "Errors.h"

#include "PortWait.h"

namespace python {

namespace py = pybind11;

namespace {

// Owned by the module, which outlives every call that raises them.
struct ErrorClasses {
    PyObject* error = nullptr;
    PyObject* portError = nullptr;
    PyObject* noReply = nullptr;
    PyObject* refused = nullptr;
    PyObject* usage = nullptr;
};
ErrorClasses g_classes;

PyObject* declare(py::module_& module, const char* name, const char* doc, PyObject* bases) {
    const std::string qualified = std::string("meshcfg.") + name;
    PyObject* type = PyErr_NewExceptionWithDoc(qualified.c_str(), doc, bases, nullptr);
    if (!type) throw py::error_already_set();
    module.add_object(name, py::handle(type));
    return type;
}

PyObject* classFor(modlink::ExitCode code) {
    switch (code) {
        case modlink::kExitPort:
            return g_classes.portError;
        case modlink::kExitNoReply:
            return g_classes.noReply;
        case modlink::kExitRefused:
            return g_classes.refused;
        case modlink::kExitUsage:
            return g_classes.usage;
        default:
            return g_classes.error;
    }
}

// The message without the port's name in front, as the command line prints it after it.
std::string reasonOf(const std::string& message, const std::optional<std::string>& port) {
    if (!port) return message;
    for (const char* joint : {": ", " "}) {
        const std::string prefix = *port + joint;
        if (message.starts_with(prefix)) return message.substr(prefix.size());
    }
    return message;
}

void setError(const modlink::Failure& failure, const std::optional<std::string>& port) {
    if (failure.code() == modlink::kExitInterrupted) {
        setInterruptError();
        return;
    }
    PyObject* type = classFor(failure.code());
    const std::string message = failure.what();
    py::object error = py::reinterpret_borrow<py::object>(type)(message);
    error.attr("port") = port ? py::object(py::str(*port)) : py::object(py::none());
    error.attr("reason") = reasonOf(message, port);
    error.attr("exit_code") = static_cast<int>(failure.code());
    PyErr_SetObject(type, error.ptr());
}

}  // namespace

void declareErrors(py::module_& module) {
    g_classes.error = declare(module, "Error",
                              "A failure of meshcfg: port (None when no port was involved), "
                              "reason and exit_code, the command line's exit code for it.",
                              PyExc_Exception);
    g_classes.portError =
        declare(module, "PortError", "The port cannot be opened, or was lost (exit code 3).",
                g_classes.error);
    g_classes.noReply =
        declare(module, "NoReply",
                "No reply within the time-out, or a reply with a wrong check byte (exit code 4).",
                g_classes.error);
    g_classes.refused =
        declare(module, "ModuleRefused",
                "The module said no: a setting read back differs from the one written (exit "
                "code 1).",
                g_classes.error);
    const py::tuple usageBases =
        py::make_tuple(py::handle(g_classes.error), py::handle(PyExc_ValueError));
    g_classes.usage = declare(
        module, "UsageError",
        "A bad argument, port name or profile; nothing was sent (exit code 2).", usageBases.ptr());
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) std::rethrow_exception(thrown);
        } catch (const PortFailure& failure) {
            setError(failure, failure.port());
        } catch (const modlink::Failure& failure) {
            setError(failure, std::nullopt);
        }
    });
}

}  // namespace python
