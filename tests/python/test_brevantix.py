"""The scripting module as a bench script uses it: against the demo adapter of this
process and against pseudo-terminals where nothing, or a holder of the port, waits.
Every wait is bounded by the module's own time-outs and the test's."""

import fcntl
import os
import signal
import threading
import time

import pytest

import brevantix


@pytest.fixture
def home(tmp_path, monkeypatch):
    """A settings store of the test's own."""
    monkeypatch.setenv("HOME", str(tmp_path))
    monkeypatch.setenv("XDG_CONFIG_HOME", str(tmp_path / "config"))
    monkeypatch.setenv("XDG_DATA_HOME", str(tmp_path / "data"))
    # The demo's listener on any free port: the fixed one it tries first may be held by a
    # demo of another test running beside these.
    monkeypatch.setenv("BX_DEMO_TCP_PORT", "0")
    return tmp_path


@pytest.fixture
def demo(home):
    with brevantix.demo() as port:
        yield port


@pytest.fixture
def silent_port():
    """A pseudo-terminal nobody answers on."""
    master, slave = os.openpty()
    path = os.ttyname(slave)
    os.close(slave)
    yield path
    os.close(master)


def test_identity_modes_and_a_mode_switch(demo):
    with brevantix.open(demo) as adapter:
        ident = adapter.identity
        assert (ident.serial, ident.firmware, ident.bootware) == ("BX240017", "3.2.1.7", "1.4.2")
        assert ident.hardware == "BX-2 Rev C" and ident.battery == "12.6V" and ident.bootloader
        assert ident.port == demo
        assert adapter.running_mode == "01"
        modes = {m.id: m for m in adapter.modes}
        assert modes["01"].state == "Selected" and modes["01"].description == "J2534 Pass-Thru"
        assert adapter.select_mode("02") == "02"
        assert [m.id for m in adapter.modes_list() if m.state == "Selected"] == ["02"]
        adapter.hide_mode("03")
        assert "03" not in [m.id for m in adapter.modes_list()]
        assert {m.id: m.state for m in adapter.modes}["03"] == "Hidden"
        with pytest.raises(brevantix.Refused):
            adapter.select_mode("03")
        with pytest.raises(brevantix.Refused):
            adapter.hide_mode("000")
        adapter.hide_mode("03", False)
        assert "03" in [m.id for m in adapter.modes_list()]
        with pytest.raises(brevantix.Refused, match="no mode 7Z"):
            adapter.select_mode("7Z")
    assert adapter.closed
    with pytest.raises(brevantix.Error):
        adapter.identity
    # The port is listed as the window lists it, with the adapter's own description.
    assert any(p.name == demo and "Simulated" in p.description for p in brevantix.ports())


def test_selftest_system_and_wifi(demo):
    with brevantix.open(demo) as adapter:
        result = adapter.selftest()
        assert (result.errors, result.warnings, result.passed) == (0, 0, True)
        assert result.log[-1] == "RESULT : OK (No Errors)"
        before = adapter.system
        assert isinstance(before, brevantix.SystemOptions)
        after = adapter.set_system(msd=not before.msd, bluetooth=2)
        assert after.msd != before.msd and after.bluetooth == 2 and after.wireless == before.wireless
        assert adapter.system == after
        with pytest.raises(brevantix.Error):
            adapter.set_system(wireless=7)
        wifi = adapter.wifi
        assert wifi["WSBID"] == "BX-WSB-0017"
        if wifi.get("APPW"):
            assert wifi["APPW"] not in repr(wifi)
        changed = adapter.set_wifi(ALIAS="Bench 7")
        assert changed["ALIAS"] == "Bench 7" and adapter.wifi["ALIAS"] == "Bench 7"
        points = adapter.wifi_scan()
        assert points and all(isinstance(p, brevantix.AccessPoint) and p.ssid for p in points)


def test_flash_stores_the_image_and_reports_progress(demo):
    image = brevantix.demo_image()
    assert image
    seen = []
    with brevantix.open(demo) as adapter:
        result = adapter.flash(image, progress=lambda done, total: seen.append((done, total)))
        assert result.ok and result.result == "Ok" and result.serial == "BX240017"
        assert result.pages > 0 and result.acknowledged == result.pages
        assert seen and seen[-1] == (result.pages, result.pages)
        assert all(a[0] <= b[0] for a, b in zip(seen, seen[1:]))
        # The adapter answers again with what it runs now.
        assert adapter.identity.serial == "BX240017"
    with open(image, "rb") as f:
        assert demo.stored_image() == f.read()[80:]


def test_a_silent_port_raises_not_found_in_its_time(home, silent_port):
    start = time.monotonic()
    with pytest.raises(brevantix.NotFound, match="not found on Communication Port"):
        brevantix.open(silent_port)
    assert time.monotonic() - start < 15
    with pytest.raises(brevantix.NotFound, match="no such port"):
        brevantix.open("/dev/null-no-such-port")


def test_a_port_another_program_holds_raises_busy(home, silent_port):
    holder = os.open(silent_port, os.O_RDWR | os.O_NOCTTY)
    try:
        fcntl.flock(holder, fcntl.LOCK_EX | fcntl.LOCK_NB)
        with pytest.raises(brevantix.Busy, match="in use by another program"):
            brevantix.open(silent_port)
    finally:
        os.close(holder)


def test_ctrl_c_in_a_flash_stops_it_and_lets_go_of_the_port(demo):
    image = brevantix.demo_image()
    adapter = brevantix.open(demo)

    def interrupt_after_first_page(done, total):
        if done >= 1:
            os.kill(os.getpid(), signal.SIGINT)

    with pytest.raises(KeyboardInterrupt):
        adapter.flash(image, progress=interrupt_after_first_page)
    assert demo.stored_image() == b"", "the upload was stopped before its end"
    # The adapter sits in its bootloader; its port is free: reset it and it answers again.
    adapter.reset()
    deadline = time.monotonic() + 20
    while True:
        try:
            assert adapter.search().serial == "BX240017"
            break
        except brevantix.NotFound:
            assert time.monotonic() < deadline
    adapter.close()


def test_ctrl_c_from_outside_while_searching(home, silent_port):
    timer = threading.Timer(0.5, lambda: os.kill(os.getpid(), signal.SIGINT))
    timer.start()
    start = time.monotonic()
    with pytest.raises(KeyboardInterrupt):
        brevantix.open(silent_port)
    assert time.monotonic() - start < 3
    timer.join()


def test_flash_many_reports_each_adapter(demo, silent_port):
    progress = {}
    results = brevantix.flash_many([demo, silent_port], brevantix.demo_image(),
                                   progress=lambda port, done, total: progress.__setitem__(port, (done, total)))
    by_port = {r.port: r for r in results}
    assert by_port[demo].ok and by_port[demo].acknowledged == by_port[demo].pages
    assert not by_port[silent_port].ok and "not found" in by_port[silent_port].result
    assert progress[demo][0] == progress[demo][1] > 0
    with pytest.raises(brevantix.Error, match="given twice"):
        brevantix.flash_many([demo, demo], brevantix.demo_image())


def test_discover_on_the_demo_network_saves_and_offers_the_adapter(demo):
    assert brevantix.network_adapters() == []
    found = brevantix.discover()
    assert [(a.ip, a.name) for a in found] == [("127.0.0.1", "Brevantix Sim")]
    assert brevantix.network_adapters() == [], "nothing is stored without save"
    found = brevantix.discover("127.0.0.1", save=True)
    stored = brevantix.network_adapters()
    assert [a.port_name for a in stored] == [found[0].port_name] == [demo.net_port]
    assert brevantix.discover(save=True) and len(brevantix.network_adapters()) == 1, "stored once"
    with brevantix.open(stored[0].port_name) as adapter:
        assert adapter.identity.serial == "BX240017"


def test_the_demo_driver_installs_and_reports_its_version(demo):
    with brevantix.open(demo) as adapter:
        assert adapter.driver_version() is None
        result = adapter.install_driver()
        assert result.offered == adapter.identity.pass_thru_version == "4.4.12"
        assert result.version == "4.4.12" and os.path.isfile(result.path)
        assert result.registered_as.endswith("Brevantix")
        assert adapter.driver_version() == "4.4.12"


def test_an_answer_that_never_ends_raises_timeout(home):
    """A peer that opens a reply frame and keeps talking without ending it: the adapter's
    own silence rule never ends the search, the caller's time-out does."""
    master, slave = os.openpty()
    path = os.ttyname(slave)
    os.close(slave)
    stop = threading.Event()

    def chatter():
        os.write(master, b"\r\n")
        while not stop.wait(0.05):
            try:
                os.write(master, b"x")
            except OSError:
                return

    talker = threading.Thread(target=chatter)
    talker.start()
    try:
        start = time.monotonic()
        with pytest.raises(brevantix.Timeout):
            brevantix.open(path, timeout=1.5)
        assert time.monotonic() - start < 6
    finally:
        stop.set()
        talker.join()
        os.close(master)
