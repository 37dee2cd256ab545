// The scripting module's native part, _brevantix: the adapter operations of ScriptHost
// for Python. Every blocking call lets go of the interpreter while it runs; progress
// callbacks and the check for Ctrl+C run on the calling thread with the interpreter held.
// The Python package brevantix wraps this in its own classes.
#include <pybind11/functional.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <type_traits>

#include "python/ScriptHost.h"

namespace py = pybind11;

namespace bx::script {
namespace {

PyObject* g_error = nullptr;
PyObject* g_kinds[7] = {};

// An exception raised while the interpreter was visited (Ctrl+C's KeyboardInterrupt, or
// one from a progress callback): kept until the operation has wound down, then raised.
struct Pending {
  PyObject *type = nullptr, *value = nullptr, *trace = nullptr;
  bool Set() const { return type != nullptr; }
  void Fetch() {
    if (!Set()) PyErr_Fetch(&type, &value, &trace);
  }
  void Restore();
};
Pending g_pending;  // touched with the interpreter held only

// Set with the pending exception: the running operation stops at its next step.
std::atomic<bool> g_stopping{false};

void KeepPending() {
  g_pending.Fetch();
  g_stopping = true;
}

// The interpreter is visited for its signals every 50 ms, not on every step.
Poll MakePoll() {
  return [last = std::chrono::steady_clock::time_point{}]() mutable {
    if (g_stopping) return false;
    const auto now = std::chrono::steady_clock::now();
    if (now - last < std::chrono::milliseconds(50)) return true;
    last = now;
    py::gil_scoped_acquire gil;
    if (!g_pending.Set() && PyErr_CheckSignals() != 0) KeepPending();
    return !g_pending.Set();
  };
}

Progress MakeProgress(const py::object& callback) {
  if (callback.is_none()) return {};
  return [callback](const std::string& port, int acknowledged, int total) {
    py::gil_scoped_acquire gil;
    if (g_pending.Set()) return;
    try {
      callback(port, acknowledged, total);
    } catch (py::error_already_set& e) {
      e.restore();
      KeepPending();
    }
  };
}

void Pending::Restore() {
  PyErr_Restore(type, value, trace);
  type = value = trace = nullptr;
  g_stopping = false;
}

// An exception kept while the call ran is raised once it is over.
void ThrowPending() {
  if (g_pending.Set()) throw ScriptError(ErrorKind::Interrupted, "");
}

// Runs `call` without the interpreter.
template <typename F>
auto Released(F&& call) -> decltype(call()) {
  if constexpr (std::is_void_v<decltype(call())>) {
    {
      py::gil_scoped_release release;
      call();
    }
    ThrowPending();
  } else {
    auto result = [&] {
      py::gil_scoped_release release;
      return call();
    }();
    ThrowPending();
    return result;
  }
}

py::dict IdentityDict(const Adapter& a) {
  const IdentityRecord& id = a.Identity();
  py::dict d;
  d["serial"] = id.serial;
  d["firmware"] = id.firmware;
  d["bootware"] = id.bootware;
  d["hardware"] = id.hardware;
  d["signature"] = id.signature;
  d["rights"] = id.rights;
  d["pass_thru_version"] = id.passThruVersion;
  d["wifi_version"] = id.wifiVersion;
  d["battery"] = id.battery ? py::object(py::str(*id.battery)) : py::object(py::none());
  d["bootloader"] = id.bootloader;
  d["flags"] = id.flags;
  d["port"] = a.Port();
  return d;
}

py::dict FlashDict(const FlashOutcome& o) {
  py::dict d;
  d["port"] = o.port;
  d["serial"] = o.serial;
  d["ok"] = o.ok;
  d["result"] = o.result;
  d["pages"] = o.pages;
  d["acknowledged"] = o.acknowledged;
  d["log"] = o.log;
  return d;
}

py::dict SystemDict(const SystemOptions& o) {
  py::dict d;
  d["msd"] = o.msd;
  d["wireless"] = o.wireless;
  d["bluetooth"] = o.bluetooth;
  d["wifi"] = o.wifi;
  return d;
}

SystemOptions SystemFrom(const py::dict& d, SystemOptions o) {
  for (auto item : d) {
    const std::string key = py::cast<std::string>(item.first);
    if (key == "msd")
      o.msd = py::cast<bool>(item.second);
    else if (key == "wireless")
      o.wireless = py::cast<int>(item.second);
    else if (key == "bluetooth")
      o.bluetooth = py::cast<int>(item.second);
    else if (key == "wifi")
      o.wifi = py::cast<int>(item.second);
    else
      throw ScriptError(ErrorKind::Error, "no system option " + key);
  }
  return o;
}

struct ReleasingDelete {
  void operator()(Adapter* a) const {
    py::gil_scoped_release release;
    delete a;
  }
};
struct ReleasingDeleteDemo {
  void operator()(Demo* d) const {
    py::gil_scoped_release release;
    delete d;
  }
};

}  // namespace
}  // namespace bx::script

PYBIND11_MODULE(_brevantix, m) {
  using namespace bx;
  using namespace bx::script;
  m.doc() = "The native part of the brevantix package (use brevantix, not this).";

  g_error = PyErr_NewException("brevantix.Error", PyExc_Exception, nullptr);
  m.attr("Error") = py::handle(g_error);
  const char* names[] = {nullptr, "NotFound", "Busy", "Timeout", "Refused", "UploadFailed", nullptr};
  for (int k = 1; k <= 5; ++k) {
    g_kinds[k] = PyErr_NewException((std::string("brevantix.") + names[k]).c_str(), g_error, nullptr);
    m.attr(names[k]) = py::handle(g_kinds[k]);
  }
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const ScriptError& e) {
      if (g_pending.Set()) {
        g_pending.Restore();
        return;
      }
      if (e.kind == ErrorKind::Interrupted) {
        PyErr_SetNone(PyExc_KeyboardInterrupt);
        return;
      }
      PyObject* type = e.kind == ErrorKind::Error ? g_error : g_kinds[static_cast<int>(e.kind)];
      PyErr_SetString(type, e.what());
    }
  });

  m.def("ports", [] {
    std::vector<std::tuple<std::string, std::string, std::string>> out;
    for (const PortRow& r : Released([] { return Ports(); })) out.emplace_back(r.name, r.description, r.detail);
    return out;
  });

  auto netDict = [](const NetAdapter& a) {
    py::dict d;
    d["name"] = a.name;
    d["mac"] = a.mac;
    d["ip"] = a.ip;
    d["port"] = a.port;
    d["enabled"] = a.enabled;
    d["port_name"] = a.PortName();
    return d;
  };
  m.def(
      "discover",
      [netDict](const std::string& target, bool save) {
        std::vector<std::string> log;
        const auto found = Released([&] { return Discover(target, save, log, MakePoll()); });
        py::list devices;
        for (const NetAdapter& a : found) devices.append(netDict(a));
        return py::make_tuple(devices, log);
      },
      py::arg("target") = "", py::arg("save") = false);
  m.def("network_adapters", [netDict] {
    py::list out;
    for (const NetAdapter& a : Released([] { return StoredNetAdapters(); })) out.append(netDict(a));
    return out;
  });

  m.def(
      "flash_many",
      [](const std::vector<std::string>& ports, const std::string& path, const py::object& progress, double timeout,
         bool search, bool wait) {
        const Progress report = MakeProgress(progress);
        const auto outcomes =
            Released([&] { return FlashMany(ports, path, report, timeout, search, wait, MakePoll()); });
        py::list out;
        for (const FlashOutcome& o : outcomes) out.append(FlashDict(o));
        return out;
      },
      py::arg("ports"), py::arg("path"), py::arg("progress") = py::none(), py::arg("timeout") = 30.0,
      py::arg("search") = true, py::arg("wait") = true);

  py::class_<Adapter, std::unique_ptr<Adapter, ReleasingDelete>>(m, "_Adapter")
      .def(py::init([](const std::string& port, double timeout) {
             return Released(
                 [&] { return std::unique_ptr<Adapter, ReleasingDelete>(new Adapter(port, timeout, MakePoll())); });
           }),
           py::arg("port"), py::arg("timeout"))
      .def_property_readonly("port", &Adapter::Port)
      .def("identity", &IdentityDict)
      .def("modes",
           [](const Adapter& a, bool showAll) {
             std::vector<std::tuple<std::string, std::string, std::string, std::string>> out;
             for (const ModeRow& r : a.Modes(showAll).rows)
               out.emplace_back(r.number, r.id, r.description, ModeStateName(r.state));
             return out;
           })
      .def("running_mode", &Adapter::RunningMode)
      .def("search", [](Adapter& a) { Released([&] { a.Search(MakePoll()); }); })
      .def("select_mode", [](Adapter& a, const std::string& id) { Released([&] { a.SelectMode(id, MakePoll()); }); })
      .def("hide_mode", [](Adapter& a, const std::string& id, bool hidden) { a.HideMode(id, hidden); })
      .def("selftest",
           [](Adapter& a, const std::string& params) {
             const Adapter::SelfTestOutcome o = Released([&] { return a.SelfTest(params, MakePoll()); });
             py::dict d;
             d["errors"] = o.errors;
             d["warnings"] = o.warnings;
             d["verdict"] = o.verdict;
             d["passed"] = o.passed;
             d["log"] = o.log;
             return d;
           })
      .def("flash",
           [](Adapter& a, const std::string& path, const py::object& progress, double timeout, bool search,
              bool wait) {
             const Progress report = MakeProgress(progress);
             const FlashOutcome o =
                 Released([&] { return a.Flash(path, report, timeout, search, wait, MakePoll()); });
             return FlashDict(o);
           })
      .def("reset", [](Adapter& a) { Released([&] { a.Reset(MakePoll()); }); })
      .def("read_system", [](Adapter& a) { return SystemDict(Released([&] { return a.ReadSystem(MakePoll()); })); })
      .def("write_system",
           [](Adapter& a, const py::dict& changes) {
             const SystemOptions now = Released([&] { return a.ReadSystem(MakePoll()); });
             const SystemOptions wanted = SystemFrom(changes, now);
             return SystemDict(Released([&] { return a.WriteSystem(wanted, MakePoll()); }));
           })
      .def("read_wifi", [](Adapter& a) { return Released([&] { return a.ReadWiFi(MakePoll()); }); })
      .def("write_wifi",
           [](Adapter& a, const std::vector<std::pair<std::string, std::string>>& values) {
             return Released([&] { return a.WriteWiFi(values, MakePoll()); });
           })
      .def("install_driver",
           [](Adapter& a, const std::string& programPath) {
             const Adapter::DriverOutcome o = Released([&] { return a.InstallDriver(programPath); });
             py::dict d;
             d["offered"] = o.offered;
             d["version"] = o.version;
             d["path"] = o.path;
             d["registered_as"] = o.registeredAs;
             d["loadable_here"] = o.loadableHere;
             d["log"] = o.log;
             return d;
           })
      .def("driver_version", [](Adapter& a) { return Released([&] { return a.DriverVersion(); }); })
      .def("scan_wifi", [](Adapter& a) {
        const auto points = Released([&] { return a.ScanWiFi(MakePoll()); });
        py::list out;
        for (const auto& p : points) {
          py::dict d;
          d["ssid"] = p.ssid;
          d["rssi"] = p.rssi;
          d["channel"] = p.channel;
          d["security"] = p.security;
          d["mac"] = p.mac;
          out.append(d);
        }
        return out;
      });

  py::class_<Demo, std::unique_ptr<Demo, ReleasingDeleteDemo>>(m, "_Demo")
      .def(py::init([](const std::string& driverLibrary) {
             return Released([&] { return std::unique_ptr<Demo, ReleasingDeleteDemo>(new Demo(driverLibrary)); });
           }),
           py::arg("driver_library") = "")
      .def_property_readonly("port", &Demo::Port)
      .def_property_readonly("net_port", &Demo::NetPort)
      .def("stored_image", [](const Demo& d) { return py::bytes(Released([&] { return d.StoredImage(); })); });
}
