// The module `meshcfg` as scripts import it.

#include <pybind11/operators.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <climits>
#include <cmath>

#include "Errors.h"
#include "Interrupt.h"
#include "MeshJson.h"
#include "Module.h"
#include "NamedPorts.h"
#include "PortDirectory.h"
#include "PortListJson.h"
#include "PortSurvey.h"
#include "PortWait.h"
#include "PythonValues.h"
#include "SiteJson.h"
#include "SiteVerbs.h"
#include "Text.h"

namespace python {

namespace py = pybind11;
using namespace pybind11::literals;

namespace {

// The notices of one call to Module.notices, until its deadline.
struct NoticeStream {
    py::object module;  // keeps the Module alive while the stream is
    Module::Clock::time_point deadline;
};

// Past a year the clock's range is no concern, and no script waits that long.
constexpr double kLongestWait = 365.0 * 24 * 3600;

Module::Clock::time_point deadlineAfter(const std::optional<double>& seconds) {
    if (!std::isfinite(seconds.value_or(0)) || seconds.value_or(0) < 0)
        throw modlink::Failure(modlink::kExitUsage,
                               "the time-out is seconds from 0, or None to wait until Ctrl+C");
    if (!seconds || *seconds > kLongestWait) return Module::Clock::time_point::max();
    return Module::Clock::now() + std::chrono::duration_cast<Module::Clock::duration>(
                                      std::chrono::duration<double>(*seconds));
}

proto::Setup completeSetup(const py::kwargs& settings) {
    const proto::SettingChanges changes = settingChanges(settings);
    const std::string missing = forms::joined(changes.missingKeys(), ", ");
    if (!missing.empty())
        throw modlink::Failure(modlink::kExitUsage,
                               "a Setup takes all seven settings: no " + missing);
    proto::Setup setup;
    changes.applyTo(setup);
    return setup;
}

std::string setupRepr(const proto::Setup& setup) {
    std::string text;
    const modlink::Json settings = modlink::settingsJson(setup);
    for (const auto& [key, value] : settings.items())
        text += (text.empty() ? "" : ", ") + key + "=" +
                py::repr(pythonValue(value)).cast<std::string>();
    return "Setup(" + text + ")";
}

// The send request, its data's length checked before anything is made of the data.
proto::SendDataRequest sendRequestOf(const py::int_& target, const py::bytes& data, bool ack,
                                     const std::string& mode, int jump,
                                     const std::vector<py::int_>& relays) {
    modlink::SendOptions options;
    // Out of int's range is out of a node id's too: refused by the same check.
    const std::int64_t targetId = wholeNumber(target, "send: the target");
    options.target = targetId < INT_MIN || targetId > INT_MAX ? -1 : static_cast<int>(targetId);
    options.ack = ack;
    options.mode = mode;
    options.jump = jump;
    for (const py::int_& given : relays) {
        const std::int64_t relay = wholeNumber(given, "send: a relay");
        if (relay < 0 || relay > 0xFFFF)
            throw modlink::Failure(modlink::kExitUsage, "send: relay " + std::to_string(relay) +
                                                            " is not a node id from 0 to 65535");
        char hex[5];
        std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(relay));
        options.relays.emplace_back(hex);
    }
    const std::string_view bytes = data;
    return modlink::sendRequest(
        options, proto::Bytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

void declareValues(py::module_& m) {
    auto setup = py::class_<proto::Setup>(
        m, "Setup",
        "The module's seven settings, typed as `meshcfg-cli read --json` prints them. A value "
        "outside its list reads as None.");
    setup.def(py::init(&completeSetup),
              "All seven settings by name: Setup(frequency=434.0, power=7, life_cycle=\"1h\", "
              "network_id=1, node_id=1, uart_baud=9600, uart_parity=\"NO\"); UsageError for one "
              "missing or a value the command line refuses.");
    for (const proto::SetupKeyNames& key : proto::kSetupKeys)
        setup.def_property_readonly(
            key.name.data(),  // literals, so ended by a zero
            [name = std::string(key.name)](const proto::Setup& values) {
                return pythonValue(modlink::settingsJson(values)[name]);
            },
            key.help.data());
    setup
        .def(
            "replace",
            [](const proto::Setup& values, const py::kwargs& changes) {
                proto::Setup changed = values;
                settingChanges(changes).applyTo(changed);
                return changed;
            },
            "A copy with the settings given changed; UsageError for a value the command line "
            "refuses.")
        .def(
            "as_dict",
            [](const proto::Setup& values) { return pythonValue(modlink::settingsJson(values)); },
            "The settings as `meshcfg-cli read --json` prints them.")
        .def(py::self == py::self)
        .def("__repr__", &setupRepr);

    py::class_<proto::RouteEntry>(m, "Route", "One row of the module's route list.")
        .def_readonly("route", &proto::RouteEntry::route, "The first hop towards the target.")
        .def_readonly("target", &proto::RouteEntry::target, "The node the route leads to.")
        .def("__repr__", [](const proto::RouteEntry& entry) {
            return "Route(route=" + std::to_string(entry.route) +
                   ", target=" + std::to_string(entry.target) + ")";
        });
    py::class_<modlink::RouteTable>(m, "RouteList",
                                    "The route list as `meshcfg-cli route --json` shows it.")
        .def_readonly("local", &modlink::RouteTable::local, "The module's own node id.")
        .def_readonly("routes", &modlink::RouteTable::routes,
                      "The rows that hold a route, in entry order; empty for a module that hears "
                      "no one.")
        .def("__repr__", [](const modlink::RouteTable& table) {
            return "RouteList(local=" + std::to_string(table.local) +
                   ", routes=" + py::repr(py::cast(table.routes)).cast<std::string>() + ")";
        });
    py::class_<modlink::PathNodes>(m, "Path", "The path as `meshcfg-cli path --json` shows it.")
        .def_readonly("nodes", &modlink::PathNodes::nodes,
                      "The local node, then each hop's node, the target last.")
        .def_readonly("links", &modlink::PathNodes::links,
                      "Each hop's link value, as minus the module's number.")
        .def("__repr__", [](const modlink::PathNodes& path) {
            return "Path(nodes=" + py::repr(py::cast(path.nodes)).cast<std::string>() +
                   ", links=" + py::repr(py::cast(path.links)).cast<std::string>() + ")";
        });

    py::class_<SendResult>(m, "SendStatus", "The module's confirmation of a send.")
        .def_readonly("code", &SendResult::code, "The module's status byte; 0 is ok.")
        .def_readonly("text", &SendResult::text, "The status in words: \"Send data ok.\".")
        .def_readonly("round_trip", &SendResult::roundTrip,
                      "Seconds from the request's last byte to the confirmation's.")
        .def_property_readonly(
            "ok", [](const SendResult& result) { return result.code == 0; }, "code == 0.")
        .def("__repr__", [](const SendResult& result) {
            return "SendStatus(code=" + std::to_string(result.code) +
                   ", text=" + py::repr(py::str(result.text)).cast<std::string>() + ")";
        });

    py::class_<Notice>(m, "Notice", "Data another node sent to this module.")
        .def_readonly("source", &Notice::source,
                      "The sending node; None when the notice does not hold its fields in order.")
        .def_readonly("link", &Notice::link, "The link value, as minus the module's number.")
        .def_property_readonly(
            "data", [](const Notice& notice) { return py::bytes(notice.data); }, "The data sent.")
        .def_property_readonly(
            "frame", [](const Notice& notice) { return py::bytes(notice.frame); },
            "The whole frame as it came.")
        .def("__repr__", [](const Notice& notice) {
            return "Notice(source=" + py::repr(py::cast(notice.source)).cast<std::string>() +
                   ", data=" + py::repr(py::bytes(notice.data)).cast<std::string>() + ")";
        });

    py::class_<LoadedProfile>(m, "Profile", "A TOML profile of the seven settings.")
        .def_static(
            "load",
            [](const std::string& path) {
                return LoadedProfile{path, station::readProfile(path)};
            },
            py::arg("path"),
            "Reads the profile as `meshcfg-cli apply` does; UsageError names its line.")
        .def_readonly("path", &LoadedProfile::path, "The file as it was named.")
        .def_property_readonly(
            "sha256", [](const LoadedProfile& loaded) { return loaded.profile.sha256; },
            "The file's digest, as the line's report keeps it.");

    py::class_<station::UnitOutcome>(m, "ApplyReport", "How an apply ended: PASS, or FAIL and why.")
        .def_property_readonly(
            "result",
            [](const station::UnitOutcome& outcome) { return outcome.passed() ? "PASS" : "FAIL"; },
            "\"PASS\" or \"FAIL\".")
        .def_property_readonly("passed", &station::UnitOutcome::passed, "result == \"PASS\".")
        .def_property_readonly(
            "why", [](const station::UnitOutcome& outcome) { return outcome.row.why; },
            "Empty for a pass.")
        .def_property_readonly(
            "exit_code",
            [](const station::UnitOutcome& outcome) { return static_cast<int>(outcome.code); },
            "What `meshcfg-cli apply` would have exited with.")
        .def_property_readonly(
            "node_id", [](const station::UnitOutcome& outcome) { return outcome.row.nodeId; },
            "The node id the apply gives the module: node_id, else the profile's.")
        .def_property_readonly(
            "read_back", [](const station::UnitOutcome& outcome) { return outcome.row.readBack; },
            "The settings read back; None when nothing was.")
        .def_property_readonly(
            "duration",
            [](const station::UnitOutcome& outcome) {
                return std::chrono::duration<double>(
                           std::chrono::milliseconds(outcome.row.durationMs))
                    .count();
            },
            "Seconds.")
        .def("__bool__", &station::UnitOutcome::passed)
        .def("__str__", [](const station::UnitOutcome& outcome) {
            return outcome.passed() ? std::string("PASS") : "FAIL: " + outcome.row.why;
        });
}

void declareModule(py::module_& m) {
    py::class_<NoticeStream>(m, "NoticeStream", "The notices of one Module.notices call.")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", [](NoticeStream& stream) {
            auto notice = stream.module.cast<Module&>().nextNotice(stream.deadline);
            if (!notice) throw py::stop_iteration();
            return *notice;
        });

    py::class_<Module>(m, "Module",
                       "A module on a port, opened at once: \"COM200\", a device path, or "
                       "\"rfc2217://host:port\". Use it from one thread at a time: a call while "
                       "another thread's call runs raises RuntimeError. Every wait lets other "
                       "threads run; Ctrl+C ends it with KeyboardInterrupt and leaves the port "
                       "open and usable.")
        .def(py::init<const std::string&, int, double, const std::string&>(), py::arg("port"),
             py::arg("baud") = 9600, py::arg("timeout") = 2.0, py::arg("parity") = "NO",
             "timeout: seconds to wait for each reply. PortError when the port cannot be opened, "
             "UsageError for a port name, rate, parity or time-out the command line refuses.")
        .def("__enter__", [](py::object self) { return self; })
        .def("__exit__", [](Module& module, const py::args&) { module.close(); })
        .def("close", &Module::close, "Closes the port; later calls raise UsageError.")
        .def_property_readonly("port", &Module::port, "The port as it was named.")
        .def_property_readonly("closed", &Module::closed, "Whether close() was called.")
        .def("read_setup", &Module::readSetup, "The module's seven settings.")
        .def("write_setup", &Module::writeSetup, py::arg("setup"), py::arg("verify") = false,
             "Writes the settings. verify: read back and compare; ModuleRefused names each "
             "setting that differs.")
        .def("route_list", &Module::routeList,
             "The module's route list; its routes are empty when the module hears no one.")
        .def("path", &Module::path, "The path of the module's last send.")
        .def(
            "send",
            [](Module& module, const py::int_& target, const py::bytes& data, bool ack,
               std::optional<double> timeout, const std::string& mode, int jump,
               const std::vector<py::int_>& relays) {
                proto::SendDataRequest request;
                try {
                    request = sendRequestOf(target, data, ack, mode, jump, relays);
                } catch (const modlink::Failure& failure) {
                    throw PortFailure(failure, module.port());
                }
                return module.send(request, timeout);
            },
            py::arg("target"), py::arg("data"), py::arg("ack") = false,
            py::arg("timeout") = py::none(), py::arg("mode") = "auto", py::arg("jump") = 7,
            py::arg("relays") = std::vector<py::int_>{},
            "Sends data to the target node and returns the module's confirmation, whatever its "
            "status. mode: \"forbidden\", \"auto\", \"force\" or \"source\" (with relays); jump: "
            "1 to 7; timeout: seconds for this send instead of the module's. UsageError, before "
            "anything is sent, for data beyond what the frame can carry.")
        .def(
            "notices",
            [](py::object self, std::optional<double> timeout) {
                return NoticeStream{std::move(self), deadlineAfter(timeout)};
            },
            py::arg("timeout") = py::none(),
            "The receive notices as they come, those that came during earlier calls first, "
            "until timeout seconds have passed (None: until Ctrl+C).")
        .def("apply", &Module::apply, py::arg("profile"), py::arg("node_id") = py::none(),
             "Writes the profile, with node_id on top, reads back and compares, as "
             "`meshcfg-cli apply` does; the port is opened anew for it.");
}

// The link a mesh file's verbs reach its modules with.
modlink::CommonOptions meshLink(int baud, double timeout) {
    modlink::CommonOptions link;
    link.baud = Module::rateOf(baud);
    link.timeoutMs = static_cast<int>(Module::timeoutOf(timeout).count());
    return link;
}

// The file read before any port opens, refused as the command line refuses it.
meshplan::MeshFile meshFileAt(const std::string& path, const ports::PortDirectory& directory) {
    try {
        return meshplan::readMeshFile(path, directory);
    } catch (const meshplan::MeshFileError& error) {
        throw modlink::Failure(modlink::kExitUsage, error.what());
    }
}

// One of a mesh file's verbs run with the interpreter's lock let go: its document as a dict.
template <typename Verb>
py::object meshFileVerb(const std::string& path, int baud, double timeout, Verb verb) {
    const modlink::CommonOptions link = meshLink(baud, timeout);
    modlink::Json document;
    {
        PortWait wait;
        const ports::PortDirectory directory;  // the call's one look at the names
        const meshplan::MeshFile file = meshFileAt(path, directory);
        document = verb(file, link, directory);
        if (modlink::interrupted()) throw modlink::Interrupted(true);
    }
    return pythonValue(document);
}

void declareMeshFileVerbs(py::module_& m) {
    m.def(
        "plan",
        [](const std::string& path, int baud, double timeout) {
            return meshFileVerb(
                path, baud, timeout, [](const auto& file, const auto& link, const auto& directory) {
                    return meshsite::planJson(meshsite::planSite(file, link, directory));
                });
        },
        py::arg("path"), py::arg("baud") = 9600, py::arg("timeout") = 2.0,
        "What applying the mesh file would change, as `meshcfg-cli mesh plan --json` shows it: a "
        "dict of modules, each with its state and changes (key, current, wanted), and the "
        "counts; a module that could not be read says why. Nothing is written. UsageError, "
        "before any port opens, for a file the command line refuses.");
    m.def(
        "apply",
        [](const std::string& path, int baud, double timeout) {
            return meshFileVerb(path, baud, timeout,
                                [](const auto& file, const auto& link, const auto& directory) {
                                    return meshsite::appliedJson(meshsite::applySite(
                                        file, link, directory, station::StationOptions{}, nullptr));
                                });
        },
        py::arg("path"), py::arg("baud") = 9600, py::arg("timeout") = 2.0,
        "The mesh file written to the modules that differ from it, all at once, each read back "
        "and compared, as `meshcfg-cli mesh apply --json` shows it: each module as wanted, "
        "written or failed with why. UsageError, before any port opens, for a file the command "
        "line refuses.");
    m.def(
        "verify",
        [](const std::string& path, int baud, double timeout) {
            return meshFileVerb(
                path, baud, timeout, [](const auto& file, const auto& link, const auto& directory) {
                    return meshsite::verdictJson(meshsite::verifySite(file, link, directory));
                });
        },
        py::arg("path"), py::arg("baud") = 9600, py::arg("timeout") = 2.0,
        "Whether the mesh is as its file describes it, as `meshcfg-cli mesh verify --json` shows "
        "it: modules, nodes heard, links and one line per drift under \"drifts\". UsageError, "
        "before any port opens, for a file the command line refuses.");
}

}  // namespace

}  // namespace python

PYBIND11_MODULE(meshcfg, m) {
    m.doc() =
        "The qz-470mr mesh module from Python: the engine of meshcfg-cli, its checks and its "
        "exit codes as exceptions. Waits let other threads run; Ctrl+C ends them.";
    python::PortWait::noteMainThread();
    python::declareErrors(m);
    python::declareValues(m);
    python::declareModule(m);
    python::declareMeshFileVerbs(m);
    m.def(
        "ports",
        [] {
            std::vector<std::string> problems;
            modlink::Json list;
            {
                pybind11::gil_scoped_release unlocked;
                const ports::PortDirectory directory;
                problems = directory.remote().problems;
                list = reports::portListJson(directory);
            }
            for (const std::string& problem : problems)
                if (PyErr_WarnEx(PyExc_RuntimeWarning, problem.c_str(), 1) != 0)
                    throw pybind11::error_already_set();
            return python::pythonValue(list);
        },
        "The ports as `meshcfg-cli ports --json` lists them.");
    m.def(
        "survey",
        [](const std::vector<std::string>& names, int baud, double timeout) {
            // Refused as the command line refuses them, before any port opens.
            const std::vector<std::string> ports = station::namedPorts(names);
            if (ports.empty())
                throw modlink::Failure(modlink::kExitUsage, "survey: give the ports to survey");
            const ports::PortDirectory directory;  // the call's one look at the names
            station::refuseRepeatedPorts(ports, directory);
            modlink::CommonOptions link;
            link.baud = python::Module::rateOf(baud);
            link.timeoutMs = static_cast<int>(python::Module::timeoutOf(timeout).count());
            modlink::Json document;
            {
                python::PortWait wait;
                document = reports::meshJson(
                    mesh::assessMesh(survey::surveyPorts(directory.resolve(ports), link)));
                if (modlink::interrupted()) throw modlink::Interrupted(true);
            }
            return python::pythonValue(document);
        },
        pybind11::arg("ports"), pybind11::arg("baud") = 9600, pybind11::arg("timeout") = 2.0,
        "Every module of a mesh read at once, as `meshcfg-cli mesh survey --json` shows it: a "
        "dict of nodes, edges and faults; a port that fails is one of the faults. The ports are "
        "named as for the command line's -p (COMn-COMm for a range); UsageError, before any "
        "port opens, for a name that can never be opened, a port named twice or reached "
        "through two names, or a rate or time-out the command line refuses.");
}
