"""route.exe and netsh.exe stand-ins, installed in this test's own prefix and run through cmd.

Environment (set by ctest): STAND_INS_DIR (folder of the built stand-ins), WINE_CONSOLE
(scripts/wine-console.sh), WINEPREFIX (this test's own prefix, stopped at the end).
"""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

STAND_INS_DIR = os.environ["STAND_INS_DIR"]
WINE = ["bash", os.environ["WINE_CONSOLE"]]
PREFIX = os.environ["WINEPREFIX"]
QUIET = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def default_gateway(table):
    """How the client reads the gateway from the table: the text after the first "手动", after
    the "0.0.0.0/0" in it, up to the next "否"; the dotted addresses there, line breaks trimmed."""
    pieces = table.split("手动")
    if len(pieces) < 2:
        return ""
    pieces = pieces[1].split("0.0.0.0/0")
    if len(pieces) < 2:
        return ""
    result = ""
    for match in re.finditer(r"(\d+\.\d+\.\d+\.\d+)", pieces[1].split("否")[0]):
        result = (result + match.group(1) + "\r\n").removeprefix("\r\n").removesuffix("\r\n")
        result = re.sub(r"(?:^\r|\n$)", "", result, flags=re.M)
    return result


class StandInsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        subprocess.run([*WINE, "cmd", "/c", "exit"], timeout=600, **QUIET)
        system32 = os.path.join(PREFIX, "drive_c", "windows", "system32")
        for name in ("route.exe", "netsh.exe"):
            shutil.copy(os.path.join(STAND_INS_DIR, name), system32)
        subprocess.run(["wineserver", "-p"], timeout=60, **QUIET)

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["wineserver", "-k"], **QUIET)

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="stand-ins-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.log = os.path.join(self.folder, "stand-ins.log")

    def run_cmd(self, command, **env):
        """Runs the command line through cmd /c, as the client's command runner does."""
        env = dict(os.environ, WINEDLLOVERRIDES="netsh.exe=n",
                   MERVOLT_STANDIN_LOG="Z:" + self.log.replace("/", "\\"), **env)
        with tempfile.TemporaryFile() as out:
            done = subprocess.run([*WINE, "cmd", "/c", command], env=env, stdin=subprocess.DEVNULL,
                                  stdout=out, stderr=subprocess.DEVNULL, timeout=60)
            out.seek(0)
            return done.returncode, out.read()

    def logged(self):
        with open(self.log, "rb") as f:
            return f.read()

    def test_route_logs_its_arguments_as_given(self):
        cases = [
            ("route  delete 0.0.0.0 mask 0.0.0.0 192.168.1.1", b"route delete 0.0.0.0 mask 0.0.0.0 192.168.1.1\r\n"),
            ("route add 0.0.0.0 mask 0.0.0.0 10.0.0.1", b"route add 0.0.0.0 mask 0.0.0.0 10.0.0.1\r\n"),
            ("route print", b"route print\r\n"),
        ]
        expected_log = b""
        for command, line in cases:
            with self.subTest(command):
                code, _ = self.run_cmd(command)
                self.assertEqual(code, 0)
                expected_log += line
                self.assertEqual(self.logged(), expected_log, "one line appended per run")

    def test_netsh_prints_a_gbk_table_whose_first_manual_route_is_the_default(self):
        cases = [
            ({}, "192.168.1.1"),
            ({"MERVOLT_STANDIN_GATEWAY": "10.20.30.40"}, "10.20.30.40"),
            ({"MERVOLT_STANDIN_NO_DEFAULT_ROUTE": "1"}, ""),
            ({"MERVOLT_STANDIN_NO_DEFAULT_ROUTE": "0", "MERVOLT_STANDIN_GATEWAY": "172.16.0.1"}, "172.16.0.1"),
        ]
        for env, gateway in cases:
            with self.subTest(env=env):
                code, out = self.run_cmd("netsh interface ipv4 show route", **env)
                self.assertEqual(code, 0)
                self.assertNotIn(b"\n", out.replace(b"\r\n", b""), "every line ends with CR LF")
                table = out.decode("gbk")
                self.assertIn("发布", table)
                self.assertIn("网关/接口名", table)
                self.assertEqual(default_gateway(table), gateway)
                lines = table.split("\r\n")
                if gateway:
                    route = lines.index("否        手动        0  0.0.0.0/0                  12  " + gateway)
                    self.assertTrue(lines[route + 1].startswith("否"))
                    self.assertNotIn("手动", "".join(lines[:route]))
                else:
                    self.assertNotIn("0.0.0.0/0", table)
        self.assertEqual(self.logged(), b"netsh interface ipv4 show route\r\n" * len(cases))

    def test_netsh_refuses_other_commands_but_still_logs_them(self):
        code, out = self.run_cmd("netsh interface ipv6 show route")
        self.assertNotEqual(code, 0)
        self.assertNotIn("0.0.0.0/0", out.decode("gbk"))
        code, out = self.run_cmd("netsh INTERFACE IPv4 Show Route")
        self.assertEqual(code, 0, "netsh ignores letter case")
        self.assertEqual(self.logged(), b"netsh interface ipv6 show route\r\nnetsh INTERFACE IPv4 Show Route\r\n")

    def test_log_defaults_to_the_root_of_drive_c(self):
        default_log = os.path.join(PREFIX, "drive_c", "stand-ins.log")
        if os.path.exists(default_log):
            os.remove(default_log)
        self.addCleanup(lambda: os.path.exists(default_log) and os.remove(default_log))
        env = {k: v for k, v in os.environ.items() if k != "MERVOLT_STANDIN_LOG"}
        env["WINEDLLOVERRIDES"] = "netsh.exe=n"
        subprocess.run([*WINE, "cmd", "/c", "route delete 0.0.0.0"], env=env, timeout=60, **QUIET)
        with open(default_log, "rb") as f:
            self.assertEqual(f.read(), b"route delete 0.0.0.0\r\n")


if __name__ == "__main__":
    unittest.main()
