"""sim-ras under Wine, as the client will load it (beside the exe, rasapi32=n,b), dialling the
demo service's line servers through its test program ras-try.exe."""

import configparser
import re
import unittest

import rig
from driver import wait_until


def ras_try_setup():
    ras_try = rig.required(rig.sim_ras_dir() / "ras-try.exe", "sim-ras's ras-try.exe")
    # The smallest phonebook with the client's entry; the client writes its own in its tests.
    phonebook = b"[PPTP]\r\nMEDIA=rastapi\r\nVpnStrategy=2\r\n"
    return dict(exe=None, files={"ras-try.exe": ras_try, "pptp.pbk": phonebook})


class SimRasTest(rig.RigTestCase):
    rig_options = staticmethod(ras_try_setup)

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.line = f"{cls.rig.line_net}.2"
        cls.phonebook = rig.wine_path(cls.rig.program_dir / "pptp.pbk")

    def setUp(self):
        self.rig.service.reset()
        self.rig.service.auth("normal")

    def ras_try(self, *steps, timeout=60):
        result = self.rig.run("ras-try.exe", steps, timeout=timeout)
        return result.stdout.decode("gbk").splitlines()

    def dial(self, number, user="demo", password="demo123"):
        return ("dial", self.phonebook, "PPTP", number, user, password)

    def test_dial_reports_states_lists_the_call_and_hangs_up(self):
        out = self.ras_try(*self.dial(self.line), "list", "hangup", "list")
        self.assertTrue(any(re.fullmatch(r"state \d+", line) for line in out), out)
        connected = out.index("connected")
        self.assertTrue(all(line.startswith("state ") for line in out[:connected]), out)
        self.assertEqual(out[connected + 1:], ["conn PPTP", "count 1", "hangup 0", "count 0"])
        wait_until(lambda: self.rig.service.links() == [], 10, "the line server to see the hang-up")

    def test_refused_calls_report_691(self):
        with self.subTest("wrong password"):
            self.assertEqual(self.ras_try(*self.dial(self.line, password="wrong"), "list")[-2:],
                             ["error 691", "count 0"])
        with self.subTest("authentication refused by the service"):
            self.rig.service.auth("refuse")
            self.assertIn("error 691", self.ras_try(*self.dial(self.line)))

    def test_a_host_name_from_sim_ras_ini_reaches_its_line_on_the_sstp_port(self):
        hosts = configparser.ConfigParser()
        hosts.read(self.rig.program_dir / "sim-ras.ini", encoding="utf-8")
        name, address = next(iter(hosts["hosts"].items()))
        process = self.rig.start("ras-try.exe", [*self.dial(f"{name}:6665"), "wait-gone", "60"])
        wait_until(lambda: self.rig.service.links() == [f"{address} demo"], 30, f"the live link to {address}")
        self.rig.service.drop(address=address)
        out, _ = process.communicate(timeout=60)
        self.assertEqual(out.decode("gbk").splitlines()[-2:], ["connected", "gone"])

    def test_a_link_dropped_by_the_server_is_gone(self):
        process = self.rig.start("ras-try.exe", [*self.dial(self.line), "wait-gone", "60"])
        wait_until(lambda: self.rig.service.links() == [f"{self.line} demo"], 30, "the live link")
        self.rig.service.drop()
        out, _ = process.communicate(timeout=60)
        lines = out.decode("gbk").splitlines()
        self.assertIn("connected", lines)
        self.assertEqual(lines[-1], "gone")


if __name__ == "__main__":
    unittest.main()
