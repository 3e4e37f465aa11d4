"""End-to-end rig: a Wine prefix with the stand-ins, a virtual display, the demo service, a fresh
program directory, the program under test and a driver for its windows.

    with Rig(exe=rig.product_exe(), config_ini=None) as r:
        window = r.driver.find_window("Mervolt客户端", pid=r.program_pid())
        ...

Everything started here is stopped on exit, also when the test failed or was killed: the rig
stops the program, the driver, the prefix's wineserver, the demo service and Xvfb itself, and a
small reaper process does the same if the test process dies without getting there. See README.md.
"""

from __future__ import annotations

import atexit
import configparser
import fcntl
import os
import random
import selectors
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.error
import urllib.parse
import urllib.request
from pathlib import Path
from typing import Optional

from driver import Driver, wait_until

SOURCE_ROOT = Path(__file__).resolve().parents[2]
BASE_OVERRIDES = "winedbg.exe=d;mscoree=;mshtml="
# The program under test loads sim-ras beside it and the netsh stand-in instead of Wine's own.
PROGRAM_OVERRIDES = BASE_OVERRIDES + ";rasapi32=n,b;netsh.exe=n"
START_TIMEOUT = 60.0


class RigError(Exception):
    """The rig could not be set up: a missing input (not built?) or a helper that did not start."""


def win64_build() -> Path:
    return Path(os.environ.get("MERVOLT_WIN64_BUILD", SOURCE_ROOT / "build" / "win64"))


def native_build() -> Path:
    return Path(os.environ.get("MERVOLT_NATIVE_BUILD", SOURCE_ROOT / "build" / "native"))


def required(path: Path, what: str) -> Path:
    if not path.is_file():
        raise RigError(f"{what} is missing: {path} (build both presets first, e.g. bash scripts/test.sh)")
    return path


def product_exe() -> Path:
    return required(win64_build() / "src" / "win32_app" / "mervolt.exe", "the client")


def driver_exe() -> Path:
    return required(win64_build() / "tools" / "e2e-driver" / "mervolt-driver.exe", "the driver")


def test_window_exe() -> Path:
    return required(win64_build() / "tools" / "e2e-driver" / "driver-test-window.exe", "the driver's test window")


def sim_ras_dir() -> Path:
    return win64_build() / "tools" / "sim-ras"


def stand_ins_dir() -> Path:
    return win64_build() / "tools" / "stand-ins"


def demo_service_exe() -> Path:
    return required(native_build() / "tools" / "demo-service" / "mervolt-demo-service", "the demo service")


def prefix_dir() -> Path:
    return Path(os.environ.get("MERVOLT_E2E_PREFIX", SOURCE_ROOT / "build" / "e2e-prefix"))


def wine_path(path: Path) -> str:
    """The path as a Windows program in the prefix names it (drive Z: is the Linux root)."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def random_line_net() -> str:
    return f"127.{random.randint(1, 254)}.{random.randint(1, 254)}"


# ---- stopping what we started ----

def _stop_group(process: Optional[subprocess.Popen], grace: float = 5.0) -> None:
    """SIGTERM to the process group, SIGKILL after `grace` seconds."""
    if process is None:
        return
    for sig, wait in ((signal.SIGTERM, grace), (signal.SIGKILL, 5.0)):
        if process.poll() is not None:
            break
        try:
            os.killpg(process.pid, sig)
        except ProcessLookupError:
            break
        try:
            process.wait(wait)
        except subprocess.TimeoutExpired:
            continue
    # The leader may be gone while others of its group live on.
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except (ProcessLookupError, PermissionError):
        pass


# Runs in its own session; reads "group N" and "prefix P" lines. On end of input (the test process
# died) it kills the groups and the prefix's wineserver; after "release" it just exits.
_REAPER = r"""
import os, signal, subprocess, sys
groups, prefixes = [], []
for line in sys.stdin:
    word, _, value = line.strip().partition(" ")
    if word == "release":
        sys.exit(0)
    (groups if word == "group" else prefixes).append(value)
for group in groups:
    try:
        os.killpg(int(group), signal.SIGKILL)
    except OSError:
        pass
for prefix in prefixes:
    subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=prefix),
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
"""


class _Reaper:
    def __init__(self):
        self._process = subprocess.Popen([sys.executable, "-c", _REAPER], stdin=subprocess.PIPE,
                                         start_new_session=True, text=True)

    def _tell(self, line: str) -> None:
        try:
            self._process.stdin.write(line + "\n")
            self._process.stdin.flush()
        except (BrokenPipeError, ValueError):
            pass

    def watch_group(self, pid: int) -> None:
        self._tell(f"group {pid}")

    def watch_prefix(self, prefix: Path) -> None:
        self._tell(f"prefix {prefix}")

    def release(self) -> None:
        self._tell("release")
        try:
            self._process.stdin.close()
        except OSError:
            pass
        self._process.wait()


def _terminate_as_exit(signum, frame):
    raise SystemExit(128 + signum)


# ---- the demo service's admin interface ----

class ServiceAdmin:
    """HTTP client of the demo service: its admin switches, and the client's own operations for
    tests that check the service directly. Texts the client sends as GBK are percent-encoded as
    GBK here too; replies are UTF-8."""

    def __init__(self, base: str, timeout: float = 15.0):
        self.base = base.rstrip("/")
        self.timeout = timeout

    def request(self, method: str, target: str, headers: dict = None) -> tuple[int, dict, bytes]:
        """Any request: (status, headers, raw body). HTTP errors are returned, not raised."""
        req = urllib.request.Request(self.base + target, method=method, headers=headers or {},
                                     data=b"" if method == "POST" else None)
        try:
            with urllib.request.urlopen(req, timeout=self.timeout) as reply:
                return reply.status, dict(reply.headers), reply.read()
        except urllib.error.HTTPError as error:
            return error.code, dict(error.headers), error.read()

    def _admin(self, method: str, path: str, **query) -> str:
        target = path + ("?" + urllib.parse.urlencode({k: v for k, v in query.items() if v is not None})
                         if any(v is not None for v in query.values()) else "")
        status, _, body = self.request(method, target)
        if status != 200:
            raise RigError(f"{method} {target}: HTTP {status}: {body[:200]!r}")
        return body.decode("utf-8")

    def requests(self) -> list[str]:
        """The request log: "<METHOD> <raw target>" per request since the last reset."""
        return self._admin("GET", "/admin/requests").splitlines()

    def reset(self) -> None:
        self._admin("POST", "/admin/reset")

    def fault(self, op: str, mode: str, delay_ms: int = None) -> None:
        """op: ping|denglu|nas|sousuo|member|ip|any; mode: notok|garbage|empty|slow|close|normal."""
        self._admin("POST", "/admin/fault", op=op, mode=mode, delay_ms=delay_ms)

    def gzip(self, on: bool) -> None:
        self._admin("POST", "/admin/gzip", on=1 if on else 0)

    def line(self, address: str, state: str) -> None:
        """state: down (the line's listeners close) or up."""
        self._admin("POST", "/admin/line", address=address, state=state)

    def auth(self, mode: str) -> None:
        """mode: refuse (every call answered ERR 691) or normal."""
        self._admin("POST", "/admin/auth", mode=mode)

    def drop(self, address: str = None) -> None:
        self._admin("POST", "/admin/drop", address=address)

    def links(self) -> list[str]:
        """Live links, "<address> <user>" each."""
        return self._admin("GET", "/admin/links").splitlines()

    # The client's operations, as the client sends them (POST, empty body, query string).
    def nas(self, query: str, method: str = "POST", headers: dict = None) -> tuple[int, dict, bytes]:
        return self.request(method, "/nas.php?" + query, headers)

    @staticmethod
    def gbk_quote(text: str) -> str:
        return urllib.parse.quote(text.encode("gbk"), safe="")


# ---- the rig ----

class Rig:
    """See the module text and README.md.

    exe:        the program to start under Wine from the program directory (None: start nothing;
                run programs with run()/start()).
    config_ini: text of config.ini (written as GBK) or bytes as they are; None: no config.ini.
    service:    start the demo service (service.ini and sim-ras.ini come from it).
    sim_ras:    put sim-ras's rasapi32.dll into the program directory.
    files:      {name: path or bytes} more files for the program directory.
    env:        more environment for the Windows programs (e.g. MERVOLT_STANDIN_GATEWAY).
    args:       the exe's command line arguments.
    """

    def __init__(self, exe=None, config_ini=None, service: bool = True, sim_ras: bool = True,
                 files: dict = None, env: dict = None, args=(), service_args=()):
        self.exe = Path(exe) if exe else None
        self.config_ini = config_ini
        self.use_service = service
        self.use_sim_ras = sim_ras
        self.files = files or {}
        self.extra_env = env or {}
        self.args = list(args)
        self.service_args = list(service_args)
        self.driver: Optional[Driver] = None
        self.service: Optional[ServiceAdmin] = None
        self.http_port: Optional[int] = None
        self.probe_port: Optional[int] = None
        self.line_net: Optional[str] = None
        self.display: Optional[str] = None
        self.work_dir: Optional[Path] = None
        self.program_dir: Optional[Path] = None
        self.program: Optional[subprocess.Popen] = None
        self._started: list[subprocess.Popen] = []
        self._xvfb: Optional[subprocess.Popen] = None
        self._demo: Optional[subprocess.Popen] = None
        self._lock = None
        self._reaper: Optional[_Reaper] = None
        self._old_sigterm = None
        self._failed = False

    # ---- context manager ----

    def __enter__(self) -> "Rig":
        self._old_sigterm = signal.signal(signal.SIGTERM, _terminate_as_exit)
        atexit.register(self.stop)
        try:
            self.open()
        except BaseException:
            self._failed = True
            self.stop()
            raise
        return self

    def __exit__(self, kind, value, traceback) -> None:
        self._failed = kind is not None
        self.stop()

    # ---- start ----

    def open(self) -> None:
        """Sets everything up (the context manager calls it)."""
        runs = win64_build() / "e2e-runs"
        runs.mkdir(parents=True, exist_ok=True)
        self.work_dir = Path(tempfile.mkdtemp(prefix="run-", dir=runs))
        self.program_dir = self.work_dir / "program"
        self.program_dir.mkdir()
        self._reaper = _Reaper()
        self._take_prefix()
        self._start_display()
        self._start_driver()
        if self.use_service:
            self._start_demo_service()
        self._fill_program_dir()
        if self.exe:
            self.program = self.start(self.exe.name, self.args, log_name="program.log")

    def _take_prefix(self) -> None:
        """One rig at a time per prefix (its wineserver is stopped at the end); makes it once."""
        prefix = prefix_dir()
        prefix.parent.mkdir(parents=True, exist_ok=True)
        self._lock = open(str(prefix) + ".lock", "w")
        fcntl.flock(self._lock, fcntl.LOCK_EX)
        self._reaper.watch_prefix(prefix)
        ready = prefix / ".mervolt-ready"
        if not ready.exists():
            shutil.rmtree(prefix, ignore_errors=True)
            prefix.mkdir()
            env = self._wine_env(BASE_OVERRIDES, display=None)
            # Without a display, so that no first-start dialog can wait for a person.
            subprocess.run(["wineboot", "-i"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           timeout=300)
            subprocess.run(["wineserver", "-w"], env=env, timeout=300)
            if not (prefix / "system.reg").exists():
                raise RigError(f"wineboot made no prefix in {prefix}")
            ready.write_text("made by tests/e2e/rig.py\n")
        # Xvfb has no window manager. Wine's managed windows wait two seconds on every hide or
        # destroy for a state change that never comes; unmanaged ones draw their own frames.
        if '"Managed"="N"' not in (prefix / "user.reg").read_text(errors="replace"):
            env = self._wine_env(BASE_OVERRIDES, display=None)
            subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f"],
                           env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
            subprocess.run(["wineserver", "-w"], env=env, timeout=120)
        system32 = prefix / "drive_c" / "windows" / "system32"
        for name in ("route.exe", "netsh.exe"):
            stand_in = stand_ins_dir() / name
            if stand_in.is_file():
                shutil.copyfile(stand_in, system32 / name)

    def _start_display(self) -> None:
        if os.environ.get("MERVOLT_E2E_DISPLAY") == "1":
            self.display = os.environ.get("DISPLAY")
            if not self.display:
                raise RigError("MERVOLT_E2E_DISPLAY=1 but DISPLAY is not set")
            return
        read_end, write_end = os.pipe()
        with open(self.work_dir / "xvfb.log", "wb") as log:
            self._xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=log, start_new_session=True)
        os.close(write_end)
        self._reaper.watch_group(self._xvfb.pid)
        number = b""
        deadline = time.monotonic() + START_TIMEOUT
        with selectors.DefaultSelector() as selector:
            selector.register(read_end, selectors.EVENT_READ)
            while not number.endswith(b"\n"):
                left = deadline - time.monotonic()
                if left <= 0 or not selector.select(left):
                    break
                chunk = os.read(read_end, 64)
                if not chunk:
                    break
                number += chunk
        os.close(read_end)
        if not number.strip().isdigit():
            raise RigError(f"Xvfb did not start (see {self.work_dir / 'xvfb.log'})")
        self.display = ":" + number.strip().decode()

    def _wine_env(self, overrides: str, display: Optional[str]) -> dict:
        env = dict(os.environ)
        env.update(WINEPREFIX=str(prefix_dir()), WINEARCH="win64", WINEDEBUG=os.environ.get("WINEDEBUG", "-all"),
                   WINEDLLOVERRIDES=overrides, LC_ALL="zh_CN.UTF-8")
        env.pop("DISPLAY", None)
        if display:
            env["DISPLAY"] = display
        return env

    def program_env(self) -> dict:
        """The environment Windows programs of this rig run with."""
        env = self._wine_env(PROGRAM_OVERRIDES, self.display)
        env["MERVOLT_STANDIN_LOG"] = wine_path(self.standin_log_path())
        env.update(self.extra_env)
        return env

    def _start_driver(self) -> None:
        self.driver = Driver(["wine", str(driver_exe())], self.program_env(), str(self.work_dir / "driver.log"))
        self._reaper.watch_group(self.driver.pid)
        self.driver.call("ping", timeout_ms=0)

    def _start_demo_service(self) -> None:
        exe = demo_service_exe()
        for attempt in range(3):
            self.line_net = random_line_net()
            ready = self.work_dir / "service.ready"
            command = [str(exe), "--http-port", "0", "--probe-port", "0", "--line-net", self.line_net,
                       "--service-ini", str(self.program_dir / "service.ini"),
                       "--sim-ras-ini", str(self.program_dir / "sim-ras.ini"),
                       "--ready-file", str(ready), "--request-log", str(self.work_dir / "requests.log"),
                       *self.service_args]
            with open(self.work_dir / "demo-service.log", "ab") as log:
                self._demo = subprocess.Popen(command, stdout=log, stderr=log, start_new_session=True)
            self._reaper.watch_group(self._demo.pid)
            try:
                wait_until(lambda: self._demo.poll() is not None or ready.exists(), START_TIMEOUT,
                           "the demo service's ready file")
            except TimeoutError as error:
                raise RigError(str(error))
            if self._demo.poll() is None:
                break
            # Most likely the random line net is taken by another run; try another one.
            self._demo = None
        else:
            raise RigError(f"the demo service did not start (see {self.work_dir / 'demo-service.log'})")
        # The ready file is written last but may be seen half-written: wait for both keys.
        keys = wait_until(lambda: self._ready_keys(ready), 10, "a complete ready file")
        self.http_port, self.probe_port = int(keys["http_port"]), int(keys["probe_port"])
        self.service = ServiceAdmin(f"http://127.0.0.1:{self.http_port}")

    @staticmethod
    def _ready_keys(ready: Path) -> Optional[dict]:
        keys = dict(line.split("=", 1) for line in ready.read_text().splitlines() if "=" in line)
        return keys if "http_port" in keys and "probe_port" in keys else None

    def _fill_program_dir(self) -> None:
        if self.exe:
            shutil.copy2(required(self.exe, "the program under test"), self.program_dir / self.exe.name)
        if self.use_sim_ras:
            shutil.copy2(required(sim_ras_dir() / "rasapi32.dll", "sim-ras"), self.program_dir / "rasapi32.dll")
        if self.config_ini is not None:
            data = self.config_ini if isinstance(self.config_ini, bytes) else self.config_ini.encode("gbk")
            (self.program_dir / "config.ini").write_bytes(data)
        for name, content in self.files.items():
            target = self.program_dir / name
            if isinstance(content, bytes):
                target.write_bytes(content)
            else:
                shutil.copy2(content, target)

    # ---- running Windows programs ----

    def start(self, program, args=(), log_name: str = None) -> subprocess.Popen:
        """Starts a Windows program under Wine with the rig's environment, in the program
        directory; `program` is a path, a file of the program directory, or a program Wine finds
        itself ("cmd", "netsh"). Output goes to a log in the work directory (log_name), or to
        pipes when log_name is None."""
        path = Path(program)
        if not path.is_absolute() and (self.program_dir / path).exists():
            path = self.program_dir / path
        command = ["wine", str(path), *map(str, args)]
        if log_name:
            with open(self.work_dir / log_name, "ab") as out:
                process = subprocess.Popen(command, cwd=self.program_dir, env=self.program_env(), stdout=out,
                                           stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, start_new_session=True)
        else:
            process = subprocess.Popen(command, cwd=self.program_dir, env=self.program_env(), stdout=subprocess.PIPE,
                                       stderr=subprocess.PIPE, stdin=subprocess.DEVNULL, start_new_session=True)
        self._started.append(process)
        self._reaper.watch_group(process.pid)
        return process

    def run(self, program, args=(), timeout: float = 60.0) -> subprocess.CompletedProcess:
        """Runs a Windows program (as start()) to its end; stdout and stderr are bytes (a
        console program's output is in code page 936: decode with "gbk")."""
        process = self.start(program, args)
        try:
            out, err = process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            _stop_group(process)
            raise
        return subprocess.CompletedProcess(process.args, process.returncode, out, err)

    def program_pid(self, name: str = None, timeout: float = START_TIMEOUT) -> int:
        """The Windows process id of the program under test (for window searches by pid)."""
        name = name or self.exe.name
        return wait_until(lambda: (self.driver.processes(name) or [None])[0], timeout, f"the process {name}")

    def program_exit_code(self, timeout: float = 30.0) -> int:
        """Waits for the program under test to end; its exit code."""
        return self.program.wait(timeout)

    # ---- what the test reads ----

    def standin_log_path(self) -> Path:
        return self.work_dir / "stand-ins.log"

    def standin_log(self) -> list[str]:
        """Lines the stand-ins (route.exe, netsh.exe) logged: "<program> <arguments>"."""
        path = self.standin_log_path()
        if not path.exists():
            return []
        return path.read_bytes().decode("gbk", errors="replace").splitlines()

    def config_ini_path(self) -> Path:
        return self.program_dir / "config.ini"

    def read_config_ini(self) -> Optional[dict]:
        """config.ini as {section: {key: value}} (GBK decoded; names as written), or None when
        the program directory has none."""
        path = self.config_ini_path()
        if not path.exists():
            return None
        parser = configparser.ConfigParser(interpolation=None, strict=False, delimiters=("=",))
        parser.optionxform = str
        parser.read_string(path.read_bytes().decode("gbk", errors="replace"))
        return {section: dict(parser[section]) for section in parser.sections()}

    def screenshot(self, path) -> Path:
        """The whole virtual screen as a picture (format by the file name, e.g. .png)."""
        path = Path(path)
        env = dict(os.environ, DISPLAY=self.display)
        subprocess.run(["import", "-window", "root", str(path)], env=env, check=True, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        return path

    # ---- stop ----

    def stop(self) -> None:
        """Stops everything; safe to call more than once. The work directory is removed after a
        passing test and kept (its path printed) after a failing one."""
        atexit.unregister(self.stop)
        steps = [self._stop_driver, self._stop_programs, self._stop_wineserver, self._stop_demo, self._stop_xvfb]
        for step in steps:
            try:
                step()
            except Exception as error:  # every step runs, whatever the one before did
                print(f"rig: {step.__name__}: {error}", file=sys.stderr)
        if self._reaper:
            self._reaper.release()
            self._reaper = None
        if self._lock:
            self._lock.close()
            self._lock = None
        if self._old_sigterm is not None:
            signal.signal(signal.SIGTERM, self._old_sigterm)
            self._old_sigterm = None
        if self.work_dir and self.work_dir.exists():
            if self._failed or os.environ.get("MERVOLT_E2E_KEEP") == "1":
                print(f"rig: logs and program directory kept in {self.work_dir}", file=sys.stderr)
            else:
                shutil.rmtree(self.work_dir, ignore_errors=True)

    def mark_failed(self) -> None:
        """Keeps the work directory at stop (for tests that catch their own failures)."""
        self._failed = True

    def _stop_driver(self) -> None:
        if self.driver:
            self.driver.quit()
            self.driver = None

    def _stop_programs(self) -> None:
        for process in self._started:
            _stop_group(process, grace=2.0)
            for pipe in (process.stdout, process.stderr):
                if pipe:
                    pipe.close()
        self._started.clear()

    def _stop_wineserver(self) -> None:
        if self._lock:
            env = self._wine_env(BASE_OVERRIDES, display=None)
            subprocess.run(["wineserver", "-k"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           timeout=60)

    def _stop_demo(self) -> None:
        _stop_group(self._demo, grace=10.0)
        self._demo = None

    def _stop_xvfb(self) -> None:
        _stop_group(self._xvfb)
        self._xvfb = None




class RigTestCase(unittest.TestCase):
    """A test class sharing one rig among its tests: set `rig_options` (Rig's arguments, or a
    function giving them, called at set-up so a missing input fails the class). The rig is
    `self.rig`; its work directory is kept when any of the class's tests fails."""

    rig_options: dict = {}

    @classmethod
    def setUpClass(cls):
        options = cls.rig_options() if callable(cls.rig_options) else cls.rig_options
        cls.rig = Rig(**options)
        cls.rig.__enter__()
        cls.addClassCleanup(cls.rig.stop)

    def run(self, result=None):
        if result is None:
            return super().run(result)
        problems = len(result.failures) + len(result.errors)
        outcome = super().run(result)
        if len(result.failures) + len(result.errors) > problems and getattr(self, "rig", None):
            self.rig.mark_failed()
        return outcome
