"""Brevantix adapters from Python: find them, read what they say of themselves, switch
their modes, run their self-test, set their options and flash their firmware.

    import brevantix

    with brevantix.demo() as port:              # the built-in simulated adapter
        with brevantix.open(port) as adapter:
            print(adapter.identity.serial, adapter.identity.firmware)
            adapter.flash(brevantix.demo_image())

Every call blocks until the adapter has answered and lets other Python threads run
meanwhile. Failures raise brevantix.Error or one of its kinds: NotFound (nothing answers
on the port), Busy (another program holds the port, or another operation runs), Timeout,
Refused (the adapter or the program would not do what was asked) and UploadFailed.
Ctrl+C during a call stops the operation (a flash as Stop does) and raises
KeyboardInterrupt.
"""

from __future__ import annotations

import contextlib
import dataclasses
import os
from typing import Callable, Iterator, Optional, Sequence

from . import _brevantix
from ._brevantix import Busy, Error, NotFound, Refused, Timeout, UploadFailed

__all__ = [
    "Adapter", "AccessPoint", "Busy", "DemoPort", "DriverInstallResult", "Error", "FlashResult", "Identity", "Mode", "NotFound",
    "NetworkAdapter", "Port", "Refused", "SelfTestResult", "SystemOptions", "Timeout", "UploadFailed",
    "WiFiSettings", "demo", "demo_image", "discover", "flash_many", "network_adapters", "open", "ports",
]

_HERE = os.path.dirname(os.path.abspath(__file__))
# Installed, the package is in <prefix>/lib/python3/dist-packages/brevantix; the demo's
# library and image are in <prefix>/lib/brevantix-configurator and
# <prefix>/share/brevantix-configurator.
_PREFIX = os.path.normpath(os.path.join(_HERE, "..", "..", "..", ".."))
_INSTALLED_LIB = os.path.join(_PREFIX, "lib", "brevantix-configurator")
_INSTALLED_SHARE = os.path.join(_PREFIX, "share", "brevantix-configurator")

# The WiFi record's keys whose values are never shown.
_SECRET_KEYS = ("APPW", "STPW")


@dataclasses.dataclass(frozen=True)
class Port:
    """A port as the window's port list shows it."""
    name: str
    description: str
    detail: str


@dataclasses.dataclass(frozen=True)
class Identity:
    """What the adapter said of itself when it was searched for."""
    serial: str
    firmware: str
    bootware: str
    hardware: str
    signature: str
    rights: str
    pass_thru_version: str
    wifi_version: str
    battery: Optional[str]
    bootloader: bool
    flags: tuple
    port: str


@dataclasses.dataclass(frozen=True)
class Mode:
    """A mode of the adapter's list; state is Normal, Selected, Active or Hidden."""
    number: str
    id: str
    description: str
    state: str


@dataclasses.dataclass(frozen=True)
class SelfTestResult:
    errors: int
    warnings: int
    verdict: str
    passed: bool
    log: tuple


@dataclasses.dataclass(frozen=True)
class FlashResult:
    port: str
    serial: str
    ok: bool
    result: str
    pages: int
    acknowledged: int
    log: tuple


@dataclasses.dataclass(frozen=True)
class SystemOptions:
    """The hardware options: msd on or off; wireless 0 disabled, 1 Bluetooth, 2 Wi-Fi;
    bluetooth 0 disabled, 1 HC-06, 2 HC-02; wifi 0 disabled, 1 the Brevantix serial bridge
    firmware, 2 a general serial bridge firmware."""
    msd: bool
    wireless: int
    bluetooth: int
    wifi: int


@dataclasses.dataclass(frozen=True)
class AccessPoint:
    ssid: str
    rssi: str
    channel: str
    security: str
    mac: str


@dataclasses.dataclass(frozen=True)
class DriverInstallResult:
    """The pass-thru driver as installed: its version, where it is, the registry key it is
    registered under, and whether this system's pass-thru programs can load it."""
    offered: str
    version: str
    path: str
    registered_as: str
    loadable_here: bool
    log: tuple


@dataclasses.dataclass(frozen=True)
class NetworkAdapter:
    """A network adapter: as it answered the network search, or as stored; port_name is the
    port it is reached by (NET:ip:port)."""
    name: str
    mac: str
    ip: str
    port: str
    enabled: bool
    port_name: str


class WiFiSettings(dict):
    """The WiFi record, key to value as the adapter reports it; the keys' values (APPW,
    STPW) are masked when it is shown."""

    def __repr__(self) -> str:
        shown = {k: ("****" if k in _SECRET_KEYS and v else v) for k, v in self.items()}
        return "WiFiSettings(%r)" % (shown,)

    __str__ = __repr__


ProgressCallback = Callable[[int, int], None]


def ports() -> list[Port]:
    """The ports as the window lists them: serial ports, and the saved network adapters
    as NET:address:port."""
    return [Port(*row) for row in _brevantix.ports()]


class Adapter:
    """An adapter on one port. Made by open(); searched for when made. Use it in a with
    block, or close() it."""

    def __init__(self, port: str, timeout: float = 60.0):
        self._native = _brevantix._Adapter(port, float(timeout))
        self._timeout = float(timeout)

    def __enter__(self) -> "Adapter":
        return self

    def __exit__(self, *exc) -> None:
        self.close()

    def __repr__(self) -> str:
        if self._native is None:
            return "<brevantix.Adapter closed>"
        return "<brevantix.Adapter %s on %s>" % (self.identity.serial, self.port)

    def _adapter(self):
        if self._native is None:
            raise Error("the adapter is closed")
        return self._native

    def close(self) -> None:
        """Lets go of the adapter (its port is closed after every operation anyway)."""
        self._native = None

    @property
    def closed(self) -> bool:
        return self._native is None

    @property
    def port(self) -> str:
        return self._adapter().port

    @property
    def identity(self) -> Identity:
        d = self._adapter().identity()
        d["flags"] = tuple(d["flags"])
        return Identity(**d)

    def search(self) -> Identity:
        """Asks the adapter again what it is (after a reset or a flash, say)."""
        self._adapter().search()
        return self.identity

    def modes_list(self, show_all: bool = False) -> list[Mode]:
        """The modes as the Settings page lists them; with show_all the hidden ones too."""
        return [Mode(*row) for row in self._adapter().modes(show_all)]

    @property
    def modes(self) -> list[Mode]:
        return self.modes_list(True)

    @property
    def running_mode(self) -> str:
        return self._adapter().running_mode()

    def select_mode(self, mode_id: str) -> str:
        """Switches the adapter to the mode; returns the mode it then runs."""
        self._adapter().select_mode(mode_id)
        return self.running_mode

    def hide_mode(self, mode_id: str, hidden: bool = True) -> None:
        """Hides a mode from the mode list (or shows it again), as the window does."""
        self._adapter().hide_mode(mode_id, bool(hidden))

    def selftest(self, params: str = "") -> SelfTestResult:
        """Runs the adapter's self-test; passed is True for "OK (No Errors)"."""
        d = self._adapter().selftest(params)
        d["log"] = tuple(d["log"])
        return SelfTestResult(**d)

    def flash(self, path: str, progress: Optional[ProgressCallback] = None, timeout: float = 30.0,
              search: bool = True, wait: bool = True) -> FlashResult:
        """Uploads the firmware image (.rfw) as the Update page does. progress(acknowledged,
        total) is called as the bootloader takes the pages. Raises UploadFailed when the
        upload did not end with the bootloader's Ok after every page; timeout is the seconds
        in which no page was acknowledged after which the upload is stopped."""
        callback = None if progress is None else (lambda port, done, total: progress(done, total))
        d = self._adapter().flash(os.fspath(path), callback, float(timeout), bool(search), bool(wait))
        d["log"] = tuple(d["log"])
        return FlashResult(**d)

    def reset(self) -> None:
        """Restarts the adapter (also out of its bootloader). It answers nothing."""
        self._adapter().reset()

    @property
    def system(self) -> SystemOptions:
        """The hardware options, read from the adapter."""
        return SystemOptions(**self._adapter().read_system())

    @system.setter
    def system(self, options) -> None:
        self.set_system(**(dataclasses.asdict(options) if isinstance(options, SystemOptions) else dict(options)))

    def set_system(self, **changes) -> SystemOptions:
        """Changes the options named (msd=, wireless=, bluetooth=, wifi=); the others stay
        as the adapter has them. Raises Refused when the adapter keeps other options."""
        return SystemOptions(**self._adapter().write_system(changes))

    @property
    def wifi(self) -> WiFiSettings:
        """The WiFi record, read from the adapter."""
        return WiFiSettings(self._adapter().read_wifi())

    @wifi.setter
    def wifi(self, values) -> None:
        self.set_wifi(**dict(values))

    def set_wifi(self, **values: str) -> WiFiSettings:
        """Sends the settings named (APSSID="...", STDHCP="1", ...); returns the record the
        adapter answers with. Raises Refused when it did not take one of them."""
        return WiFiSettings(self._adapter().write_wifi([(k, str(v)) for k, v in values.items()]))

    def install_driver(self) -> DriverInstallResult:
        """Fetches the adapter's pass-thru driver, puts it in place and registers it, as the
        Passthru page's Install Driver does."""
        d = self._adapter().install_driver(_window_program())
        d["log"] = tuple(d["log"])
        return DriverInstallResult(**d)

    def driver_version(self) -> Optional[str]:
        """The version of the installed pass-thru driver, None when none is installed."""
        return self._adapter().driver_version() or None

    def wifi_scan(self) -> list[AccessPoint]:
        """The access points the adapter's WiFi bridge sees."""
        return [AccessPoint(**d) for d in self._adapter().scan_wifi()]


def open(port: str, timeout: float = 60.0) -> Adapter:  # noqa: A001 (the module's verb)
    """The adapter on the port (a serial device, or NET:address:port), searched for:
    raises NotFound when nothing answers there, Busy when another program holds it."""
    return Adapter(port, timeout)


def flash_many(ports: Sequence[str], path: str,
               progress: Optional[Callable[[str, int, int], None]] = None,
               timeout: float = 30.0, search: bool = True, wait: bool = True) -> list[FlashResult]:
    """Flashes the image to every port at once, each as the Update page does; one result
    per port (a failed adapter does not stop the others, nor raise). progress(port,
    acknowledged, total)."""
    results = _brevantix.flash_many(list(ports), os.fspath(path), progress, float(timeout), bool(search), bool(wait))
    out = []
    for d in results:
        d["log"] = tuple(d["log"])
        out.append(FlashResult(**d))
    return out


def discover(target: Optional[str] = None, save: bool = False) -> list[NetworkAdapter]:
    """Searches the local network for adapters (UDP, as the Network page's Search does; with
    target, an IP address or host name, that address alone, as Find does) and returns those
    that answered. With save, those not stored yet are added to the stored list, so that
    ports() offers them. While demo() runs, the search runs on the demo's simulated network,
    where only the demo adapter answers."""
    found, _log = _brevantix.discover(target or "", bool(save))
    return [NetworkAdapter(**d) for d in found]


def network_adapters() -> list[NetworkAdapter]:
    """The stored network adapters (the Network page's list), disabled ones too."""
    return [NetworkAdapter(**d) for d in _brevantix.network_adapters()]


def _window_program() -> str:
    """The window program, which the driver's registration names as its configuration
    program: installed beside the package's prefix, or in the build tree."""
    return _find("brevantix-configurator", os.path.join(_PREFIX, "bin"),
                 os.path.normpath(os.path.join(_HERE, "..", "..", "src", "view", "qt")))


def _find(name: str, *folders: str) -> str:
    for folder in folders:
        candidate = os.path.join(folder, name)
        if os.path.exists(candidate):
            return candidate
    return ""


def demo_image() -> str:
    """The demo firmware image, which the simulated adapter takes."""
    return _find("demo.rfw", _HERE, _INSTALLED_SHARE)


class DemoPort(str):
    """The demo adapter's port (a str), with what the simulated adapter can tell."""

    _native = None

    @property
    def net_port(self) -> str:
        """The same adapter over TCP on loopback, as NET:127.0.0.1:PORT."""
        return self._native.net_port

    def stored_image(self) -> bytes:
        """The firmware image its bootloader last stored (b"" before an upload)."""
        return self._native.stored_image()


@contextlib.contextmanager
def demo() -> Iterator[DemoPort]:
    """Starts the built-in simulated adapter in this process and yields its port; it
    stops when the block ends."""
    native = _brevantix._Demo(_find("libbrevantix-passthru-demo.so", _HERE, _INSTALLED_LIB))
    port = DemoPort(native.port)
    port._native = native
    try:
        yield port
    finally:
        port._native = None
        del native
