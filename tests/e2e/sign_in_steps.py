"""What the sign-in tests do with the client's windows, as a user sees them: the sign-in window's
boxes and button, the main window's account labels, the stored form of a remembered password."""

import hashlib
import random
import shutil
import socket
import tempfile
from pathlib import Path

import rig
from driver import wait_until

TITLE = "Mervolt客户端"
DEMO_ACCOUNT, DEMO_PASSWORD = "demo", "demo123"

# The main window's account labels, by a point inside each (client coordinates of the design).
NAME_LABEL_AT = (519 + 78 + 4, 95 + 16 + 4)
PACKAGE_LABEL_AT = (519 + 78 + 4, 95 + 41 + 4)
EXPIRY_LABEL_AT = (519 + 78 + 4, 95 + 63 + 4)


class SignInWindow:
    def __init__(self, r: rig.Rig, pid: int = None):
        self.rig = r
        self.driver = r.driver
        self.pid = pid or r.program_pid()
        self.window = self.driver.find_window(TITLE, pid=self.pid, visible=True)
        self.account = self.driver.find_control(self.window, kind="edit")
        self.password = self.driver.find_control(self.window, kind="password")
        self.button = self.driver.find_control(self.window, caption="登录")
        self.remember = self.driver.find_control(self.window, caption="记住密码")

    def type(self, account: str, password: str) -> None:
        self.driver.set_text(self.account, account)
        self.driver.set_text(self.password, password)

    def press(self) -> None:
        self.driver.click(self.button)

    def message(self, timeout: float = 30):
        return self.driver.find_message_box(pid=self.pid, timeout=timeout)

    def expect_message(self, test, text: str, title: str = None):
        """The box that must come up now: its text and title (default: the program's file name)."""
        box = self.message()
        test.assertEqual(box.text, text)
        test.assertEqual(box.title, title or self.rig.exe.name)
        return box

    def main_window(self, timeout: float = 60):
        """The main window, once the sign-in window has gone out of sight and it is up."""
        return wait_until(lambda: next((w for w in self.driver.windows(TITLE, pid=self.pid, visible=True)
                                        if w.hwnd != self.window.hwnd), None), timeout, "the main window")


def label_at(d, window, point):
    return d.find_control(window, at=point, kind="label")


def stored_password(password: str) -> str:
    """The form config.ini keeps a remembered password in: each GBK byte XOR 16 as two upper-case
    hex digits, then nine characters of the MD5 of the key "qzv"."""
    marker = hashlib.md5(b"qzv").hexdigest()[2:11].upper()
    return "".join(f"{byte ^ 16:02X}" for byte in password.encode("gbk")) + marker


def renamed_client(name: str) -> Path:
    """A copy of the client under another file name, in a directory of its own."""
    directory = Path(tempfile.mkdtemp(prefix="mervolt-renamed-"))
    copy = directory / name
    shutil.copy2(rig.product_exe(), copy)
    return copy


def dead_service_ini() -> bytes:
    """service.ini naming a server that refuses every connection: a random loopback address on a
    port that was free a moment ago."""
    host = f"127.{random.randint(1, 254)}.{random.randint(1, 254)}.{random.randint(1, 254)}"
    with socket.socket() as s:
        s.bind((host, 0))
        port = s.getsockname()[1]
    return (f"[service]\r\nbase=http://{host}:{port}\r\nprobe_host={host}\r\nprobe_port={port}\r\n").encode()
