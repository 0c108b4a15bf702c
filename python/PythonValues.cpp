#include "PythonValues.h"

#include "Failure.h"

namespace python {

namespace py = pybind11;

py::object pythonValue(const modlink::Json& json) {
    switch (json.type()) {
        case modlink::Json::value_t::null:
            return py::none();
        case modlink::Json::value_t::boolean:
            return py::bool_(json.get<bool>());
        case modlink::Json::value_t::number_integer:
            return py::int_(json.get<std::int64_t>());
        case modlink::Json::value_t::number_unsigned:
            return py::int_(json.get<std::uint64_t>());
        case modlink::Json::value_t::number_float:
            return py::float_(json.get<double>());
        case modlink::Json::value_t::string:
            return py::str(json.get<std::string>());
        case modlink::Json::value_t::array: {
            py::list list;
            for (const modlink::Json& item : json) list.append(pythonValue(item));
            return list;
        }
        default: {
            py::dict dict;
            for (const auto& [key, item] : json.items()) dict[py::str(key)] = pythonValue(item);
            return dict;
        }
    }
}

std::int64_t wholeNumber(const py::handle& value, const std::string& what) {
    int overflow = 0;
    const long long number = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
    if (overflow != 0)
        throw modlink::Failure(
            modlink::kExitUsage,
            what + ": " + py::str(value).cast<std::string>() + " is out of range");
    if (number == -1 && PyErr_Occurred()) throw py::error_already_set();
    return number;
}

proto::SettingChanges settingChanges(const py::kwargs& settings) {
    proto::SettingChanges changes;
    for (const auto& [name, value] : settings) {
        const std::string key = py::str(name);
        proto::SettingChanges::Value taken;
        if (py::isinstance<py::bool_>(value))
            throw modlink::Failure(modlink::kExitUsage,
                                   key + ": give a number or a name, not True or False");
        if (py::isinstance<py::int_>(value))
            taken = wholeNumber(value, key);
        else if (py::isinstance<py::float_>(value))
            taken = value.cast<double>();
        else if (py::isinstance<py::str>(value))
            taken = value.cast<std::string>();
        else
            throw modlink::Failure(
                modlink::kExitUsage,
                key + ": give a number or a name, not " +
                    py::str(py::type::of(value).attr("__name__")).cast<std::string>());
        const std::string problem = changes.set(key, taken);
        if (!problem.empty()) throw modlink::Failure(modlink::kExitUsage, problem);
    }
    return changes;
}

}  // namespace python
