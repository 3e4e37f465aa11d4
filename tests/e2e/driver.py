"""Python side of mervolt-driver.exe: one request line out, one JSON reply line back.

A request is TAB-separated fields (the verb, then key=value), each field with backslash escapes
for TAB, LF, CR and the backslash; texts are UTF-8. The driver answers {"ok": true, ...} or
{"ok": false, "error": "..."}; the latter raises DriverError here.

Windows and controls are named by their handle (an int); every method that takes one also takes
an object with an ``hwnd`` attribute (Window, Control, MessageBox).
"""

from __future__ import annotations

import json
import os
import selectors
import signal
import subprocess
import time
from dataclasses import dataclass, field
from typing import Callable, Optional, TypeVar

VK_TAB = 9
VK_RETURN = 13
VK_ESCAPE = 27
VK_DOWN = 40
VK_F1 = 112
VK_F8 = 119
VK_F9 = 120

WM_HOTKEY = 0x0312
WM_APP = 0x8000

IDOK = 1
IDCANCEL = 2

RED = 0x0000FF  # a COLORREF is 0x00BBGGRR: red is 255
BLACK = 0

DEFAULT_TIMEOUT = 20.0  # Wine on a loaded machine can take seconds to show a window
REPLY_GRACE = 30.0  # how much longer than its own deadline a command may take to answer


class DriverError(Exception):
    """The driver refused a command or did not answer."""


T = TypeVar("T")


def wait_until(condition: Callable[[], Optional[T]], timeout: float, what: str, interval: float = 0.1) -> T:
    """Polls condition() until it gives something other than None/False; raises TimeoutError
    naming `what` (and the last DriverError seen) when timeout seconds pass first."""
    deadline = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            result = condition()
            if result is not None and result is not False:
                return result
        except DriverError as error:
            last_error = error
        if time.monotonic() >= deadline:
            detail = f" (last error: {last_error})" if last_error else ""
            raise TimeoutError(f"timed out after {timeout:g} s waiting for {what}{detail}")
        time.sleep(interval)


@dataclass
class Window:
    """A top-level window; x, y, w, h are its rectangle on the screen."""

    hwnd: int
    title: str
    cls: str
    pid: int
    visible: bool
    minimised: bool
    owner: int
    x: int
    y: int
    w: int
    h: int

    @staticmethod
    def of(d: dict) -> "Window":
        return Window(d["hwnd"], d["title"], d["class"], d["pid"], d["visible"], d["minimised"], d["owner"], d["x"],
                      d["y"], d["w"], d["h"])


@dataclass
class Control:
    """A control; x, y, w, h are relative to its top-level window's client area."""

    hwnd: int
    parent: int
    cls: str
    kind: str  # label, edit, password, button, checkbox, radio, groupbox, listview, combobox, picture, ...
    text: str
    id: int
    x: int
    y: int
    w: int
    h: int
    screen_x: int
    screen_y: int
    visible: bool
    enabled: bool
    style: int
    checked: Optional[int]  # 0, 1 (2 = indeterminate) for check boxes and radio buttons, else None

    @staticmethod
    def of(d: dict) -> "Control":
        return Control(d["hwnd"], d["parent"], d["class"], d["kind"], d["text"], d["id"], d["x"], d["y"], d["w"],
                       d["h"], d["screen_x"], d["screen_y"], d["visible"], d["enabled"], d["style"], d["checked"])


@dataclass
class ListView:
    columns: list[str]
    rows: list[list[str]]
    selected: list[int]


@dataclass
class Button:
    hwnd: int
    id: int
    text: str


@dataclass
class MessageBox:
    hwnd: int
    title: str
    text: str
    owner: int
    pid: int
    buttons: list[Button] = field(default_factory=list)

    @staticmethod
    def of(d: dict) -> "MessageBox":
        return MessageBox(d["hwnd"], d["title"], d["text"], d["owner"], d["pid"],
                          [Button(b["hwnd"], b["id"], b["text"]) for b in d["buttons"]])


def _handle(target) -> int:
    return target if isinstance(target, int) else target.hwnd


def escape_field(text: str) -> str:
    return text.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r")


def encode_request(verb: str, args: dict) -> bytes:
    fields = [escape_field(verb)]
    for key, value in args.items():
        if value is None:
            continue
        if isinstance(value, bool):
            value = "1" if value else "0"
        fields.append(escape_field(f"{key}={value}"))
    return ("\t".join(fields) + "\n").encode("utf-8")


def _ms(seconds: Optional[float]) -> Optional[int]:
    return None if seconds is None else max(0, int(seconds * 1000))


class Driver:
    """Runs mervolt-driver.exe (command: the argv that starts it, e.g. ["wine", path])."""

    def __init__(self, command: list[str], env: dict, stderr_path: str):
        with open(stderr_path, "ab") as stderr:
            self._process = subprocess.Popen(command, env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                             stderr=stderr, start_new_session=True)
        self._buffer = b""
        self._selector = selectors.DefaultSelector()
        self._selector.register(self._process.stdout, selectors.EVENT_READ)

    @property
    def pid(self) -> int:
        """The Linux process (and process group) id of the driver."""
        return self._process.pid

    # ---- the protocol ----

    def call(self, verb: str, **args) -> dict:
        """Sends one request and gives the reply's fields; DriverError when it failed."""
        if self._process.poll() is not None:
            raise DriverError(f"the driver has exited with {self._process.returncode}")
        self._process.stdin.write(encode_request(verb, args))
        self._process.stdin.flush()
        deadline = time.monotonic() + (args.get("timeout_ms") or 0) / 1000 + REPLY_GRACE
        line = self._read_line(deadline, verb)
        reply = json.loads(line.decode("utf-8"))
        if not reply.get("ok"):
            raise DriverError(f"{verb}: {reply.get('error')}")
        return reply

    def _read_line(self, deadline: float, verb: str) -> bytes:
        while b"\n" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0 or not self._selector.select(left):
                raise DriverError(f"{verb}: the driver did not answer in time")
            chunk = os.read(self._process.stdout.fileno(), 65536)
            if not chunk:
                raise DriverError(f"{verb}: the driver closed its output")
            self._buffer += chunk
        line, self._buffer = self._buffer.split(b"\n", 1)
        return line

    def quit(self, timeout: float = 10.0) -> None:
        """Asks the driver to quit; kills its process group when it does not."""
        try:
            if self._process.poll() is None:
                self._process.stdin.write(b"quit\n")
                self._process.stdin.flush()
                self._process.stdin.close()
                self._process.wait(timeout)
        except (OSError, subprocess.TimeoutExpired):
            pass
        finally:
            if self._process.poll() is None:
                try:
                    os.killpg(self._process.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                self._process.wait()
            self._selector.close()
            self._process.stdout.close()

    # ---- top-level windows ----

    def windows(self, title: str = None, pid: int = None, cls: str = None, visible: bool = None,
                owner=None) -> list[Window]:
        reply = self.call("windows", title=title, pid=pid, **{"class": cls}, visible=visible,
                          owner=None if owner is None else _handle(owner))
        return [Window.of(w) for w in reply["windows"]]

    def find_window(self, title: str = None, pid: int = None, cls: str = None, visible: bool = None,
                    owner=None, timeout: float = DEFAULT_TIMEOUT) -> Window:
        """The first top-level window with this exact title (and the other filters), waited for."""
        reply = self.call("find_window", title=title, pid=pid, **{"class": cls}, visible=visible,
                          owner=None if owner is None else _handle(owner), timeout_ms=_ms(timeout))
        return Window.of(reply["window"])

    def wait_gone(self, target, timeout: float = DEFAULT_TIMEOUT) -> None:
        self.call("wait_gone", hwnd=_handle(target), timeout_ms=_ms(timeout))

    def processes(self, name: str) -> list[int]:
        """Windows process ids of the running programs with this file name (e.g. mervolt.exe)."""
        return self.call("processes", name=name)["pids"]

    # ---- controls ----

    def controls(self, window) -> list[Control]:
        return [Control.of(c) for c in self.call("controls", window=_handle(window))["controls"]]

    def find_control(self, window, caption: str = None, cls: str = None, kind: str = None, id: int = None,
                     index: int = None, at: tuple[int, int] = None, visible: bool = None,
                     timeout: float = DEFAULT_TIMEOUT) -> Control:
        """A control of the window by any of: exact caption, class (e.g. "Edit"), kind, control id;
        then the index-th match (creation order, from 0), or the smallest match holding the
        point `at` (client coordinates of the window). Waited for up to `timeout`."""
        x, y = at if at else (None, None)
        reply = self.call("find_control", window=_handle(window), caption=caption, **{"class": cls}, kind=kind,
                          id=id, index=index, x=x, y=y, visible=visible, timeout_ms=_ms(timeout))
        return Control.of(reply["control"])

    def info(self, target) -> Control:
        return Control.of(self.call("info", hwnd=_handle(target))["control"])

    def text(self, target) -> str:
        return self.call("text", hwnd=_handle(target))["text"]

    def wait_text(self, target, text: str, timeout: float = DEFAULT_TIMEOUT, contains: bool = False) -> str:
        """Waits until the control's text equals (or contains) `text`; gives the text."""
        return self.call("wait_text", hwnd=_handle(target), text=text, match="contains" if contains else "exact",
                         timeout_ms=_ms(timeout))["text"]

    def checked(self, target) -> int:
        return self.call("checked", hwnd=_handle(target))["checked"]

    def enabled(self, target) -> bool:
        return self.info(target).enabled

    def visible(self, target) -> bool:
        return self.info(target).visible

    def focus(self, window) -> Optional[Control]:
        """The control with the keyboard focus in the thread that owns `window` (None: none)."""
        focus = self.call("focus", hwnd=_handle(window))["focus"]
        return Control.of(focus) if focus else None

    def text_colour(self, target, method: str = "pixels") -> int:
        """The control's text colour as a COLORREF (0x00BBGGRR: RED is 255). "pixels" reads the
        screen (the control must not be covered); "ctlcolor" asks the parent, which Wine 8 cannot
        carry across processes."""
        return self.call("text_colour", hwnd=_handle(target), method=method)["colour"]

    # ---- input ----

    def set_text(self, target, text: str) -> None:
        """WM_SETTEXT: replaces the text at once (no key handlers run)."""
        self.call("set_text", hwnd=_handle(target), text=text)

    def type_text(self, target, text: str, via: str = "send") -> None:
        """One WM_CHAR per UTF-16 unit. "send" returns once the control has handled them; "post"
        queues them behind earlier posted input."""
        self.call("type", hwnd=_handle(target), text=text, via=via)

    def press_key(self, target, vk: int, via: str = "post") -> None:
        """WM_KEYDOWN and WM_KEYUP with the virtual key (VK_RETURN = 13), posted to the control:
        the target's message loop handles them as a real key press, after this returns."""
        self.call("key", hwnd=_handle(target), vk=vk, via=via)

    def key_input(self, vk: int) -> None:
        """A key pressed and released on the keyboard (SendInput): it goes to the focused window of
        the foreground thread, and a global hotkey (RegisterHotKey) sees it as a real press."""
        self.call("key_input", vk=vk)

    def post_message(self, target, message: int, wparam: int = 0, lparam: int = 0) -> None:
        """Posts any message with number parameters (a tray-icon callback, WM_HOTKEY, ...)."""
        self.call("message", hwnd=_handle(target), message=message, wparam=wparam, lparam=lparam, via="post")

    def send_message(self, target, message: int, wparam: int = 0, lparam: int = 0) -> int:
        """Sends any message with number parameters; the window's result."""
        return self.call("message", hwnd=_handle(target), message=message, wparam=wparam, lparam=lparam,
                         via="send")["result"]

    def click(self, target, via: str = "post") -> None:
        """Clicks a button, check box or radio button. "post" queues BM_CLICK and returns at once
        (a handler may open a modal box: wait for its effect); "send" waits for the handler;
        "mouse" posts button-down/up in the middle; "input" moves the real mouse there and clicks."""
        self.call("click", hwnd=_handle(target), via=via)

    def close(self, target) -> None:
        """Posts WM_CLOSE."""
        self.call("close", hwnd=_handle(target))

    # ---- list views ----

    def list_view(self, target) -> ListView:
        reply = self.call("list_view", hwnd=_handle(target))
        return ListView(reply["columns"], reply["rows"], reply["selected"])

    def click_row(self, target, row: int, double: bool = False, via: str = "mouse") -> None:
        """A left click on the row's cell in the first column with a width (scrolled into view):
        "mouse" posts the button messages to the list view, "input" clicks the real mouse there."""
        self.call("click_row", hwnd=_handle(target), row=row, double=double, via=via)

    # ---- pop-up menus ----

    def find_menu(self, pid: int = None, timeout: float = DEFAULT_TIMEOUT) -> Window:
        """The open pop-up menu (class #32768), e.g. a tray icon's."""
        return self.find_window(cls="#32768", pid=pid, visible=True, timeout=timeout)

    def choose_menu_item(self, index: int, pid: int = None, timeout: float = DEFAULT_TIMEOUT) -> None:
        """Chooses the index-th selectable item (from 0) of the open pop-up menu with the keyboard,
        as a user would (Down, Enter); the driver does not read the items, which live in the
        menu's process."""
        self.find_menu(pid, timeout)
        for _ in range(index + 1):
            self.key_input(VK_DOWN)
        self.key_input(VK_RETURN)

    def dismiss_menu(self, pid: int = None, timeout: float = DEFAULT_TIMEOUT) -> None:
        """Closes the open pop-up menu without a choice (Escape)."""
        self.find_menu(pid, timeout)
        self.key_input(VK_ESCAPE)

    # ---- message boxes ----

    def message_boxes(self, pid: int = None, owner=None, title: str = None) -> list[MessageBox]:
        reply = self.call("message_boxes", pid=pid, owner=None if owner is None else _handle(owner), title=title)
        return [MessageBox.of(b) for b in reply["message_boxes"]]

    def find_message_box(self, pid: int = None, owner=None, title: str = None,
                         timeout: float = DEFAULT_TIMEOUT) -> MessageBox:
        """The first visible dialog-class (#32770) window matching the filters, with its title,
        text (the static control 0xFFFF) and buttons, waited for."""
        reply = self.call("find_message_box", pid=pid, owner=None if owner is None else _handle(owner), title=title,
                          timeout_ms=_ms(timeout))
        return MessageBox.of(reply["message_box"])

    def dismiss(self, box, id: int = IDOK, button: str = None) -> None:
        """Presses the box's button with this id (default OK) or this caption."""
        self.call("dismiss", hwnd=_handle(box), id=None if button else id, button=button)
