"""A test process that dies inside a rig leaves nothing running: the rig stops everything on
SIGTERM, and its reaper does when the test process is killed outright."""

import json
import os
import shutil
import signal
import subprocess
import sys
import unittest
from pathlib import Path

import rig
from driver import wait_until

# Opens a rig with a Windows program, tells what it started, then waits to be signalled.
CHILD = r"""
import json, os, sys, time
sys.path.insert(0, sys.argv[1])
import rig
with rig.Rig(exe=rig.test_window_exe(), service=False, sim_ras=False) as r:
    r.driver.find_window("驱动测试窗", visible=True)
    print(json.dumps({"groups": [r._xvfb.pid, r.driver.pid, r.program.pid], "work_dir": str(r.work_dir)}),
          flush=True)
    time.sleep(600)
"""


def running(pid: int) -> bool:
    try:
        state = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()[0]
    except (FileNotFoundError, ProcessLookupError):
        return False
    return state != "Z"


def group_running(group: int) -> bool:
    for entry in Path("/proc").iterdir():
        if entry.name.isdigit():
            try:
                fields = (entry / "stat").read_text().rsplit(")", 1)[1].split()
            except OSError:
                continue
            if int(fields[2]) == group and fields[0] != "Z":
                return True
    return False


def wineserver_running(prefix: Path) -> bool:
    """The prefix's wineserver works in a directory named server-<device>-<inode> of the prefix."""
    info = os.stat(prefix)
    server_dir = f"server-{info.st_dev:x}-{info.st_ino:x}"
    for entry in Path("/proc").iterdir():
        if entry.name.isdigit() and running(int(entry.name)):
            try:
                if Path(os.readlink(entry / "cwd")).name == server_dir:
                    return True
            except OSError:
                continue
    return False


class CleanupTest(unittest.TestCase):
    def test_nothing_outlives_a_test_process_that_dies(self):
        rig.test_window_exe()  # fail here, not in the child, when it was not built
        for sig in (signal.SIGTERM, signal.SIGKILL):
            with self.subTest(signal=sig.name):
                child = subprocess.Popen([sys.executable, "-c", CHILD, str(Path(__file__).parent)],
                                         stdout=subprocess.PIPE, text=True)
                try:
                    started = json.loads(child.stdout.readline())
                    self.assertTrue(wineserver_running(rig.prefix_dir()))
                    child.send_signal(sig)
                    child.wait(60)
                finally:
                    child.kill()
                    child.wait()
                    child.stdout.close()
                for group in started["groups"]:
                    wait_until(lambda: not group_running(group), 30, f"process group {group} to end")
                wait_until(lambda: not wineserver_running(rig.prefix_dir()), 30, "the prefix's wineserver to end")
                if sig == signal.SIGTERM:  # the rig itself stopped, and kept the failed run's files
                    self.assertEqual(child.returncode, 128 + signal.SIGTERM)
                    self.assertTrue(Path(started["work_dir"]).is_dir())
                shutil.rmtree(started["work_dir"], ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
