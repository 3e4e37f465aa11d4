"""One demo session on the end-to-end rig (tests/e2e/rig.py): the demo service, the client under
Wine, and, without a display of the user's, a sign-in by the driver with a picture of each window.
Started by scripts/run-demo.sh once everything is built."""

import os
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

import rig  # noqa: E402
from driver import wait_until  # noqa: E402

TITLE = "Mervolt客户端"
ACCOUNT, PASSWORD = "demo", "demo123"
SHOTS = ROOT / "build" / "demo-screenshots"


def window_picture(r: rig.Rig, window, path: Path) -> Path:
    """The window's rectangle of the screen, as a PNG file."""
    screen = r.work_dir / "screen.png"
    r.screenshot(screen)
    subprocess.run(["convert", str(screen), "-crop", f"{window.w}x{window.h}+{window.x}+{window.y}", "+repage",
                    str(path)], check=True, timeout=60)
    return path


def interactive() -> int:
    os.environ["MERVOLT_E2E_DISPLAY"] = "1"
    with rig.Rig(exe=rig.product_exe()) as r:
        print(f"demo service at http://127.0.0.1:{r.http_port}; the client is opening on {r.display}")
        print(f"sign in with the demo account: {ACCOUNT} / {PASSWORD}")
        print("close the client's main window (or press Ctrl-C) to stop")
        try:
            code = r.program.wait()
        except KeyboardInterrupt:
            code = 0
        print(f"the client ended (exit code {code}); stopping the demo service")
        return 0


def headless() -> int:
    SHOTS.mkdir(parents=True, exist_ok=True)
    with rig.Rig(exe=rig.product_exe()) as r:
        d = r.driver
        pid = r.program_pid()
        print(f"demo service at http://127.0.0.1:{r.http_port}; the client runs on the virtual display {r.display}")
        login = d.find_window(TITLE, pid=pid, visible=True)
        account = d.find_control(login, kind="edit")
        password = d.find_control(login, kind="password")
        d.set_text(account, ACCOUNT)
        d.set_text(password, PASSWORD)
        sign_in_shot = window_picture(r, login, SHOTS / "sign-in.png")
        print(f"sign-in window: typed {ACCOUNT} / {PASSWORD} -> {sign_in_shot}")

        d.click(d.find_control(login, caption="登录"))
        main = wait_until(lambda: next((w for w in d.windows(TITLE, pid=pid, visible=True) if w.hwnd != login.hwnd),
                                       None) or _failure(d, pid), 60, "the main window")
        labels = {c.text for c in d.controls(main) if c.kind == "label" and c.text}
        main_shot = window_picture(r, main, SHOTS / "main.png")
        print(f"signed in; main window: {main.w}x{main.h} -> {main_shot}")
        print("  shown: " + ", ".join(sorted(labels)))
        print("service requests: " + "; ".join(r.service.requests()))
        d.close(main)
        code = r.program_exit_code()
        print(f"main window closed; the client ended (exit code {code}); stopping the demo service")
        print(f"pictures: {SHOTS}")
        return 0 if code == 0 else 1


def _failure(d, pid):
    """A message box instead of the main window ends the demo with its text."""
    boxes = d.message_boxes(pid=pid)
    if boxes:
        raise SystemExit(f"the sign-in failed: {boxes[0].title}: {boxes[0].text}")
    return None


if __name__ == "__main__":
    sys.exit(interactive() if os.environ.get("DISPLAY") else headless())
