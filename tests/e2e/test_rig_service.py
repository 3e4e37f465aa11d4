"""The demo service as the rig starts it: the client's operations, faults and the admin switches,
spoken to directly over HTTP."""

import gzip
import unittest

import rig

Q = rig.ServiceAdmin.gbk_quote


class DemoServiceTest(rig.RigTestCase):
    rig_options = dict(exe=None, sim_ras=False)

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.s = cls.rig.service

    def setUp(self):
        self.s.reset()

    def nas(self, query, **kwargs):
        status, headers, body = self.s.nas(query, **kwargs)
        self.assertEqual(status, 200, query)
        return body.decode("utf-8")

    def test_deployment_files_name_the_real_ports_and_the_line_net(self):
        service_ini = (self.rig.program_dir / "service.ini").read_text(encoding="utf-8")
        self.assertIn(f"base=http://127.0.0.1:{self.rig.http_port}", service_ini)
        self.assertIn(f"probe_port={self.rig.probe_port}", service_ini)
        sim_ras_ini = (self.rig.program_dir / "sim-ras.ini").read_text(encoding="utf-8")
        self.assertIn("[hosts]", sim_ras_ini)
        self.assertIn(f"={self.rig.line_net}.2", sim_ras_ini)

    def test_ping(self):
        self.assertEqual(self.nas("ping=abcd"), "ok")
        self.assertIn("POST /nas.php?ping=abcd", self.s.requests())

    def test_sign_in_accepted_and_refused(self):
        cases = [
            ("demo", "demo123", True),
            ("测试用户", "密码123", True),  # GBK percent-encoded, as the client sends it
            ("demo", "wrong", False),
            ("nobody", "demo123", False),
            ("", "", False),
        ]
        for user, password, accepted in cases:
            with self.subTest(user=user, password=password):
                reply = self.nas(f"denglu=denglu&username={Q(user)}&password={Q(password)}")
                fields = reply.split("|")
                if accepted:
                    self.assertEqual(len(fields), 3, reply)
                    self.assertEqual(fields[2], "ok")
                    self.assertTrue(fields[0] and fields[1], reply)
                else:
                    self.assertEqual(reply, "||fail")

    def lines(self, reply):
        entries = [entry for entry in reply.split(";") if entry]
        self.assertTrue(entries, reply)
        parsed = []
        for entry in entries:
            address, _, rest = entry.partition(":")
            name, _, description = rest.partition("+")
            parsed.append((address, name, description))
        return parsed

    def test_line_list_and_search_are_on_the_rigs_line_net(self):
        lines = self.lines(self.nas("nas=nas"))
        self.assertEqual(lines[0][0], f"{self.rig.line_net}.2")
        for address, name, _ in lines:
            self.assertTrue(address.startswith(self.rig.line_net + "."), address)
            self.assertTrue(name)
        found = self.lines(self.nas(f"sousuo=sousuo&diqu={Q('北京')}"))
        self.assertLess(len(found), len(lines))
        for line in found:
            self.assertIn(line, lines)

    def test_member_page(self):
        status, headers, body = self.s.nas("member=member", method="GET")
        self.assertEqual(status, 200)
        self.assertIn("<", body.decode("utf-8"))

    def test_ping_fault_and_its_reset(self):
        self.s.fault("ping", "notok")
        self.assertEqual(self.nas("ping=abcd"), "OK\r\n")
        self.s.fault("ping", "normal")
        self.assertEqual(self.nas("ping=abcd"), "ok")

    def test_gzip_when_asked_for(self):
        status, headers, body = self.s.nas("ping=abcd", headers={"Accept-Encoding": "gzip"})
        self.assertEqual(headers.get("Content-Encoding"), "gzip")
        self.assertEqual(gzip.decompress(body), b"ok")


if __name__ == "__main__":
    unittest.main()
