"""The route and netsh stand-ins in the rig's prefix, run as the client runs them: through
cmd /c, netsh with the override that prefers the stand-in to Wine's own."""

import unittest

import rig


class StandInsTest(unittest.TestCase):
    def cmd(self, r, *command):
        result = r.run("cmd", ["/c", *command])
        self.assertEqual(result.returncode, 0, result)
        return result.stdout.decode("gbk")

    def test_route_is_logged_with_its_arguments(self):
        with rig.Rig(exe=None, service=False, sim_ras=False) as r:
            self.cmd(r, "route", "delete", "0.0.0.0")
            self.cmd(r, "route", "add", "0.0.0.0", "mask", "0.0.0.0", "192.168.1.1")
            self.assertEqual(r.standin_log(), ["route delete 0.0.0.0", "route add 0.0.0.0 mask 0.0.0.0 192.168.1.1"])

    def test_netsh_prints_the_route_table_with_the_chosen_gateway(self):
        cases = [
            ({}, ["192.168.1.1"]),
            ({"MERVOLT_STANDIN_GATEWAY": "10.9.8.7"}, ["10.9.8.7"]),
            ({"MERVOLT_STANDIN_NO_DEFAULT_ROUTE": "1"}, []),
        ]
        for env, default_gateways in cases:
            with self.subTest(env=env), rig.Rig(exe=None, service=False, sim_ras=False, env=env) as r:
                table = self.cmd(r, "netsh", "interface", "ipv4", "show", "route")
                self.assertIn("\r\n", table)
                rows = [line.split() for line in table.splitlines()]
                self.assertEqual([row[-1] for row in rows if "0.0.0.0/0" in row], default_gateways, table)
                self.assertEqual(r.standin_log(), ["netsh interface ipv4 show route"])

if __name__ == "__main__":
    unittest.main()
