#!/usr/bin/env python3
"""The demo service binary over its sockets: every operation, every fault, the line servers and
the files it writes. Each test class starts its own service on free ports and a random line net
and stops it (and anything else it started) when done, also after a failure."""

import gzip
import os
import random
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse

BINARY = os.environ.get("MERVOLT_DEMO_SERVICE", "")
HERE = os.path.dirname(os.path.abspath(__file__))
FIXTURE_SEED = os.path.join(HERE, "fixture_seed.txt")
LINE_PORTS = (1723, 6665, 1818)
START_TIME = 30  # seconds; the native build runs under the address sanitizer


def gbk_percent(text):
    """What the client's search sends: every code-page-936 byte as %XX."""
    return "".join("%%%02X" % b for b in text.encode("gbk")).encode()


def dial_line(user, password):
    def hexed(text):
        return text.encode("gbk").hex().upper() or "-"
    return b"DIAL %s %s\r\n" % (hexed(user).encode(), hexed(password).encode())


def read_file(path, mode="rb"):
    with open(path, mode) as f:
        return f.read()


def hung_up(sock):
    """True when the peer closed the connection (a reset counts: unread bytes make one)."""
    try:
        return sock.recv(100) == b""
    except ConnectionResetError:
        return True


def wait_until(condition, what, timeout=10.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.02)
    raise AssertionError("timed out waiting for " + what)


class Unanswered(Exception):
    """The connection ended before a status line came."""


class Reply:
    def __init__(self, status, headers, body):
        self.status, self.headers, self.body = status, headers, body

    def text(self):
        return self.body.decode("utf-8")

    def decoded_body(self):
        if self.headers.get("content-encoding") == "gzip":
            return gzip.decompress(self.body)
        return self.body


def read_reply(sock):
    """One response from the socket: the head, then a body of its Content-Length (or up to the close)."""
    data = b""
    while b"\r\n\r\n" not in data:
        try:
            chunk = sock.recv(65536)
        except ConnectionResetError:
            chunk = b""
        if not chunk:
            raise Unanswered(data)
        data += chunk
    head, _, body = data.partition(b"\r\n\r\n")
    status_line, *header_lines = head.decode("latin-1").split("\r\n")
    headers = {}
    for line in header_lines:
        name, _, value = line.partition(":")
        headers[name.strip().lower()] = value.strip()
    length = int(headers["content-length"]) if "content-length" in headers else None
    while length is None or len(body) < length:
        chunk = sock.recv(65536)
        if not chunk:
            break
        body += chunk
    return Reply(int(status_line.split()[1]), headers, body)


def http(port, method, target, headers=None, host="127.0.0.1", timeout=30):
    """One request with the raw target bytes as given (the client sends some bytes unescaped)."""
    lines = [b"%s %s HTTP/1.1" % (method.encode(), target), b"Host: %s:%d" % (host.encode(), port),
             b"Content-Length: 0", b"Connection: close"]
    for name, value in (headers or {}).items():
        lines.append(("%s: %s" % (name, value)).encode())
    with socket.create_connection((host, port), timeout=timeout) as s:
        s.sendall(b"\r\n".join(lines) + b"\r\n\r\n")
        return read_reply(s)


class DemoService:
    """The binary on free ports and a random 127.x.y line net, with its files in a fresh folder."""

    def __init__(self, *extra_args, seed=FIXTURE_SEED, use_default_seed=False):
        self.folder = tempfile.mkdtemp(prefix="demo-service-test-")
        self.extra_args = list(extra_args)
        self.seed_args = [] if use_default_seed else ["--seed", seed]
        self.process = None
        self.stderr = None

    def path(self, name):
        return os.path.join(self.folder, name)

    def start(self):
        # Line servers listen on fixed ports of their addresses: another run may hold the same net.
        for _ in range(8):
            self.net = "127.%d.%d" % (random.randint(1, 254), random.randint(1, 254))
            self.process = self.launch(self.net)
            ready = self.path("ready")
            deadline = time.monotonic() + START_TIME
            while time.monotonic() < deadline and self.process.poll() is None and not os.path.exists(ready):
                time.sleep(0.02)
            if os.path.exists(ready):
                values = dict(line.split("=") for line in read_file(ready, "r").split())
                self.http_port, self.probe_port = int(values["http_port"]), int(values["probe_port"])
                return self
            self.kill()
            if "cannot listen on 127." not in self.errors():
                raise AssertionError("the demo service did not start: " + self.errors())
        raise AssertionError("no free line net found")

    def launch(self, net):
        args = [BINARY, "--http-port", "0", "--probe-port", "0", "--line-net", net,
                "--service-ini", self.path("service.ini"), "--sim-ras-ini", self.path("sim-ras.ini"),
                "--ready-file", self.path("ready"), "--request-log", self.path("requests.log")]
        self.stderr = open(self.path("stderr.txt"), "wb")
        return subprocess.Popen(args + self.seed_args + self.extra_args,
                                stdout=subprocess.DEVNULL, stderr=self.stderr)

    def errors(self):
        return read_file(self.path("stderr.txt")).decode("utf-8", "replace")

    def line(self, n):
        """The address of the n-th line (from 0)."""
        return "%s.%d" % (self.net, n + 2)

    def stop(self, sig=signal.SIGTERM, timeout=15):
        if self.process.poll() is None:
            self.process.send_signal(sig)
        try:
            return self.process.wait(timeout=timeout)
        finally:
            self.kill()

    def kill(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        if self.stderr:
            self.stderr.close()
            self.stderr = None

    def remove(self):
        self.kill()
        shutil.rmtree(self.folder, ignore_errors=True)

    # Requests
    def request(self, method, target, headers=None, **kw):
        return http(self.http_port, method, target, headers, **kw)

    def nas(self, query, headers=None):
        return self.request("POST", b"/nas.php?" + query, headers)

    def admin(self, path, method="POST", expect=200):
        reply = self.request(method, path.encode())
        if reply.status != expect:
            raise AssertionError("%s gave %d: %r" % (path, reply.status, reply.body))
        return reply.text()

    def links(self):
        return sorted(self.admin("/admin/links", "GET").splitlines())

    def call(self, line, user, password, port=1723):
        """Places a call; returns (answer, socket). The socket stays open after OK."""
        s = socket.create_connection((self.line(line), port), timeout=10)
        s.sendall(dial_line(user, password))
        answer = b""
        while not answer.endswith(b"\n"):
            chunk = s.recv(100)
            if not chunk:
                break
            answer += chunk
        return answer, s


class ServiceTest(unittest.TestCase):
    service_args = ()

    @classmethod
    def setUpClass(cls):
        cls.service = DemoService(*cls.service_args)
        try:
            cls.service.start()
        except BaseException:
            cls.service.remove()
            raise

    @classmethod
    def tearDownClass(cls):
        code = cls.service.stop()
        errors = cls.service.errors()
        cls.service.remove()
        if code != 0:
            raise AssertionError("exit code %d: %s" % (code, errors))

    def setUp(self):
        self.service.admin("/admin/reset")
        self.sockets = []
        self.addCleanup(lambda: [s.close() for s in self.sockets])

    def call(self, line, user, password, port=1723):
        answer, s = self.service.call(line, user, password, port)
        self.sockets.append(s)
        return answer, s


class Operations(ServiceTest):
    def test_ping_answers_ok_to_post_and_get(self):
        for method in ("POST", "GET"):
            reply = self.service.request(method, b"/nas.php?ping=abcd")
            self.assertEqual((reply.status, reply.body), (200, b"ok"))
            self.assertEqual(reply.headers["content-type"], "text/plain; charset=utf-8")

    def test_sign_in(self):
        accepted = {"demo": "2099-12-31 23:59:59|尊享年付套餐|ok",
                    "old": "2020-01-01 00:00:00|月付套餐|ok",  # expired: the client refuses it itself
                    "yi": "2099-06-30|億萬流量套餐|ok",
                    "测试用户": "2099-12-31 23:59:59|季付套餐|ok",
                    "symbols": "2099-12-31 23:59:59|尊享年付套餐|ok"}

        def raw(text):
            return text.encode("gbk")
        cases = [
            # (query after "denglu=denglu&", expected reply)
            (b"username=demo&password=demo123", accepted["demo"]),
            (b"username=%64emo&password=demo%31%323", accepted["demo"]),
            (b"username=old&password=old123", accepted["old"]),
            (b"username=yi&password=yi123", accepted["yi"]),
            (b"username=" + gbk_percent("测试用户") + b"&password=" + gbk_percent("密码123"), accepted["测试用户"]),
            (b"username=" + raw("测试用户") + b"&password=" + raw("密码123"), accepted["测试用户"]),
            (b"username=symbols&password=a&b=c+d", accepted["symbols"]),
            (b"username=symbols&password=a%26b%3Dc%2Bd", accepted["symbols"]),
            (b"username=demo&password=wrong", "||fail"),
            (b"username=demo&password=DEMO123", "||fail"),
            (b"username=demo&password=", "||fail"),
            (b"username=nobody&password=demo123", "||fail"),
            (b"username=&password=", "||fail"),
            (b"username=demo", "||fail"),
            (b"password=demo123", "||fail"),
            # The bytes are GBK: the UTF-8 form of the same name is another name.
            (b"username=" + urllib.parse.quote("测试用户").encode() + b"&password=" + gbk_percent("密码123"), "||fail"),
            (b"username=%FF&password=demo123", "||fail"),  # no GBK character
        ]
        for query, expected in cases:
            with self.subTest(query=query):
                reply = self.service.nas(b"denglu=denglu&" + query)
                self.assertEqual((reply.status, reply.text()), (200, expected))
        self.assertEqual(self.service.nas(b"denglu=denglu").text(), "||fail")

    def test_package_with_a_trail_byte_like_the_separator_survives_as_utf8(self):
        body = self.service.nas(b"denglu=denglu&username=yi&password=yi123").body
        self.assertIn("億".encode("utf-8"), body)
        # In the client's code page the package holds 83 7C, a "|" byte inside a character.
        self.assertIn(b"\x83\x7c", body.decode("utf-8").encode("gbk"))

    def test_line_list_gives_every_line_in_seed_order(self):
        s = self.service
        expected = "".join("%s:%s;" % (s.line(i), entry) for i, entry in enumerate(
            ["北京一号+电信 100M", "上海一号+移动 50M", "北京二号+联通 50M", "香港一号+国际 100M"]))
        self.assertEqual(s.nas(b"nas=nas").text(), expected)
        self.assertEqual(s.request("GET", b"/nas.php?nas=nas").text(), expected)

    def test_search_matches_the_region(self):
        s = self.service
        beijing = "%s:北京一号+电信 100M;%s:北京二号+联通 50M;" % (s.line(0), s.line(2))
        everything = s.nas(b"nas=nas").text()
        cases = [
            (gbk_percent("北京"), beijing),
            (b"%B1%B1%BE%A9", beijing),
            (gbk_percent("北京").lower(), beijing),
            ("北京".encode("gbk"), beijing),              # raw GBK bytes
            (gbk_percent("香港"), "%s:香港一号+国际 100M;" % s.line(3)),
            (gbk_percent("京"), beijing),                 # part of a region
            (b"", everything),                           # "diqu=": every line
            (gbk_percent("东京"), ""),
            (urllib.parse.quote("北京").encode(), ""),    # UTF-8 is not what the client sends
            (b"%FF", ""),
            (b"%", ""),
        ]
        for region, expected in cases:
            with self.subTest(region=region):
                self.assertEqual(s.nas(b"sousuo=sousuo&diqu=" + region).text(), expected)
        self.assertEqual(s.nas(b"sousuo=sousuo").text(), "")

    def test_member_page_is_html_with_the_notice(self):
        for method in ("GET", "POST"):
            reply = self.service.request(method, b"/nas.php?member=member")
            self.assertEqual(reply.status, 200)
            self.assertEqual(reply.headers["content-type"], "text/html; charset=utf-8")
            self.assertIn("<p>公告 &lt;测试&gt; &amp; 欢迎</p>", reply.text())
            self.assertTrue(reply.text().startswith("<!DOCTYPE html>"))

    def test_ip_page_has_the_markers_the_client_reads(self):
        reply = self.service.request("GET", b"/ip")
        self.assertEqual(reply.headers["content-type"], "text/html; charset=utf-8")
        self.assertEqual(reply.text(), "<html><head><title>您的IP地址：203.0.113.7</title></head>"
                                       "<body><p>[IP查询] 来自：中国 北京 电信</p></body></html>")

    def test_gzip_follows_accept_encoding(self):
        plain = self.service.nas(b"nas=nas").body
        cases = [("gzip", True), ("gzip, deflate, br", True), ("deflate, gzip", True),
                 ("br", False), ("gzip;q=0", False), (None, False)]
        for accept, compressed in cases:
            with self.subTest(accept=accept):
                reply = self.service.nas(b"nas=nas", {"Accept-Encoding": accept} if accept else {})
                self.assertEqual(reply.headers.get("content-encoding"), "gzip" if compressed else None)
                self.assertEqual(reply.decoded_body(), plain)
        page = self.service.request("GET", b"/ip", {"Accept-Encoding": "gzip"})
        self.assertEqual(gzip.decompress(page.body).decode(), self.service.request("GET", b"/ip").text())

    def test_forced_gzip_compresses_every_service_reply(self):
        self.service.admin("/admin/gzip?on=1")
        for target in (b"/nas.php?ping=abcd", b"/nas.php?nas=nas", b"/nas.php?member=member", b"/ip"):
            with self.subTest(target=target):
                # Asked for too: compressed once, not twice.
                for headers in ({}, {"Accept-Encoding": "gzip"}):
                    reply = self.service.request("POST", target, headers)
                    self.assertEqual(reply.headers.get("content-encoding"), "gzip")
                    self.assertTrue(gzip.decompress(reply.body))
        self.assertEqual(gzip.decompress(self.service.nas(b"ping=abcd").body), b"ok")
        self.service.admin("/admin/gzip?on=0")
        self.assertEqual(self.service.nas(b"ping=abcd").headers.get("content-encoding"), None)

    def test_request_log_holds_raw_targets_of_service_requests(self):
        s = self.service
        targets = [b"/nas.php?ping=abcd", b"/nas.php?denglu=denglu&username=\xb2\xe2&password=a&b",
                   b"/nas.php?sousuo=sousuo&diqu=%B1%B1"]
        for target in targets:
            s.request("POST", target)
        s.request("GET", b"/ip")
        expected = b"".join(b"POST " + t + b"\n" for t in targets) + b"GET /ip\n"
        self.assertEqual(s.request("GET", b"/admin/requests").body, expected)
        self.assertTrue(read_file(s.path("requests.log")).endswith(expected))
        s.admin("/admin/reset")
        self.assertEqual(s.admin("/admin/requests", "GET"), "")

    def test_post_bodies_are_read_only_when_announced(self):
        port = self.service.http_port
        # No length: HTTP/1.1 says no body, so the answer comes without waiting for one.
        with socket.create_connection(("127.0.0.1", port), timeout=3) as s:
            s.sendall(b"POST /nas.php?ping=abcd HTTP/1.1\r\nHost: x\r\n\r\n")
            self.assertEqual(read_reply(s).body, b"ok")
        # An announced body is skipped, and the next request on the connection is read right.
        with socket.create_connection(("127.0.0.1", port), timeout=10) as s:
            s.sendall(b"POST /nas.php?ping=abcd HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello")
            self.assertEqual(read_reply(s).body, b"ok")
            s.sendall(b"POST /nas.php?nas=nas HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n")
            reply = read_reply(s)
        self.assertEqual(reply.status, 200)
        self.assertTrue(reply.text().startswith("%s:北京一号" % self.service.line(0)))

    def test_bad_requests_get_empty_replies(self):
        s = self.service
        for target in (b"/nas.php", b"/nas.php?", b"/nas.php?what=ever", b"/nas.php?%ZZ=%", b"/nas.php?&&&=",
                       b"/nas.php?denglu", b"/nas.php?sousuo"):
            with self.subTest(target=target):
                reply = s.request("POST", target)
                self.assertEqual(reply.status, 200)
                self.assertIn(reply.body, (b"", b"||fail"))
        self.assertEqual(s.request("GET", b"/elsewhere").status, 404)
        # A request line that is not HTTP, then a bare connection: the service carries on.
        with socket.create_connection(("127.0.0.1", s.http_port)) as raw:
            raw.sendall(b"\x00\xff garbage\r\n\r\n")
            raw.recv(1000)
        socket.create_connection(("127.0.0.1", s.http_port)).close()
        self.assertEqual(s.nas(b"ping=abcd").body, b"ok")


class Faults(ServiceTest):
    OPERATIONS = {"ping": b"/nas.php?ping=abcd", "denglu": b"/nas.php?denglu=denglu&username=demo&password=demo123",
                  "nas": b"/nas.php?nas=nas", "sousuo": b"/nas.php?sousuo=sousuo&diqu=",
                  "member": b"/nas.php?member=member", "ip": b"/ip"}

    def fetch(self, op, headers=None):
        return self.service.request("POST", self.OPERATIONS[op], headers)

    def test_each_mode_on_each_operation(self):
        normal = {op: self.fetch(op).body for op in self.OPERATIONS}
        for op in self.OPERATIONS:
            for mode, expected in (("notok", b"OK\r\n"), ("garbage", None), ("empty", b"")):
                with self.subTest(op=op, mode=mode):
                    self.service.admin("/admin/fault?op=%s&mode=%s" % (op, mode))
                    body = self.fetch(op).body
                    if expected is None:
                        self.assertRaises(UnicodeDecodeError, body.decode, "utf-8")
                    else:
                        self.assertEqual(body, expected)
                    # Only the named operation is hit.
                    other = "nas" if op != "nas" else "ping"
                    self.assertEqual(self.fetch(other).body, normal[other])
                    self.service.admin("/admin/fault?op=%s&mode=normal" % op)
                    self.assertEqual(self.fetch(op).body, normal[op])

    def test_close_drops_the_connection_unanswered(self):
        for op in self.OPERATIONS:
            with self.subTest(op=op):
                self.service.admin("/admin/fault?op=%s&mode=close" % op)
                self.assertRaises(Unanswered, self.fetch, op)
                self.service.admin("/admin/fault?op=%s&mode=normal" % op)
                self.assertEqual(self.fetch(op).status, 200)

    def test_slow_answers_normally_after_the_delay(self):
        self.service.admin("/admin/fault?op=ping&mode=slow&delay_ms=600")
        started = time.monotonic()
        self.assertEqual(self.fetch("ping").body, b"ok")
        self.assertGreaterEqual(time.monotonic() - started, 0.6)
        # Meanwhile the other operations and the admin interface are not held up.
        self.assertEqual(self.fetch("nas").status, 200)

    def test_any_sets_every_operation_and_reset_clears_all(self):
        self.service.admin("/admin/fault?op=any&mode=empty")
        self.service.admin("/admin/gzip?on=1")
        for op in self.OPERATIONS:
            self.assertEqual(gzip.decompress(self.fetch(op).body), b"", op)
        self.service.admin("/admin/reset")
        self.assertEqual(self.fetch("ping").body, b"ok")
        self.assertIsNone(self.fetch("ping").headers.get("content-encoding"))

    def test_fault_replies_are_gzipped_when_asked(self):
        self.service.admin("/admin/fault?op=ping&mode=garbage")
        reply = self.fetch("ping", {"Accept-Encoding": "gzip"})
        self.assertEqual(reply.headers.get("content-encoding"), "gzip")
        self.assertRaises(UnicodeDecodeError, gzip.decompress(reply.body).decode, "utf-8")

    def test_bad_admin_requests_are_refused(self):
        s = self.service
        for path in ("/admin/fault?op=login&mode=close", "/admin/fault?op=ping&mode=broken",
                     "/admin/fault?op=ping", "/admin/fault?op=ping&mode=slow&delay_ms=-1",
                     "/admin/fault?op=ping&mode=slow&delay_ms=fast", "/admin/gzip?on=yes", "/admin/gzip",
                     "/admin/auth?mode=maybe", "/admin/line?address=%s&state=sideways" % s.line(0)):
            with self.subTest(path=path):
                s.admin(path, expect=400)
        s.admin("/admin/line?address=10.0.0.1&state=down", expect=404)
        s.admin("/admin/drop?address=10.0.0.1", expect=404)
        self.assertEqual(self.fetch("ping").body, b"ok")


class LineServers(ServiceTest):
    def test_call_on_every_port_becomes_a_live_link_until_hang_up(self):
        for port in LINE_PORTS:
            with self.subTest(port=port):
                answer, s = self.call(0, "demo", "demo123", port)
                self.assertEqual(answer, b"OK\r\n")
                self.assertEqual(self.service.links(), ["%s demo" % self.service.line(0)])
                s.close()
                wait_until(lambda: self.service.links() == [], "the link to end")

    def test_call_answers(self):
        cases = [("demo", "demo123", b"OK\r\n"),
                 ("old", "old123", b"OK\r\n"),        # expired accounts are let in
                 ("测试用户", "密码123", b"OK\r\n"),
                 ("symbols", "a&b=c+d", b"OK\r\n"),
                 ("demo", "wrong", b"ERR 691\r\n"),
                 ("demo", "", b"ERR 691\r\n"),
                 ("nobody", "demo123", b"ERR 691\r\n"),
                 ("", "", b"ERR 691\r\n")]
        for user, password, expected in cases:
            with self.subTest(user=user, password=password):
                answer, s = self.call(1, user, password)
                self.assertEqual(answer, expected)
                if expected.startswith(b"ERR"):
                    self.assertTrue(hung_up(s))  # and the server hangs up
        self.assertIn("%s 测试用户" % self.service.line(1), self.service.links())

    def test_what_is_not_a_call_is_closed_unanswered(self):
        for request in (b"HELLO\r\n", b"DIAL 6 6\r\n", b"DIAL 64656D6F\r\n", b"x" * 3000):
            with self.subTest(request=request[:20]):
                with socket.create_connection((self.service.line(0), 1723), timeout=10) as s:
                    s.sendall(request)
                    self.assertTrue(hung_up(s))
        # A probe: connect and close without a word. The server stays quiet and keeps serving.
        for port in LINE_PORTS:
            socket.create_connection((self.service.line(0), port)).close()
        self.assertEqual(self.call(0, "demo", "demo123")[0], b"OK\r\n")

    def test_refused_authentication(self):
        self.service.admin("/admin/auth?mode=refuse")
        self.assertEqual(self.call(0, "demo", "demo123")[0], b"ERR 691\r\n")
        self.service.admin("/admin/auth?mode=normal")
        self.assertEqual(self.call(0, "demo", "demo123")[0], b"OK\r\n")
        self.service.admin("/admin/auth?mode=refuse")
        self.service.admin("/admin/reset")
        self.assertEqual(self.call(0, "demo", "demo123")[0], b"OK\r\n")

    def test_drop_ends_the_links_of_one_line_or_all(self):
        s = self.service
        _, first = self.call(0, "demo", "demo123")
        _, second = self.call(1, "yi", "yi123")
        self.assertEqual(s.links(), sorted(["%s demo" % s.line(0), "%s yi" % s.line(1)]))
        self.assertEqual(s.admin("/admin/drop?address=" + s.line(0)), "dropped 1\n")
        self.assertTrue(hung_up(first))
        self.assertEqual(s.links(), ["%s yi" % s.line(1)])
        self.assertEqual(s.admin("/admin/drop"), "dropped 1\n")
        self.assertTrue(hung_up(second))
        self.assertEqual(s.links(), [])

    def test_reset_keeps_live_links(self):
        _, link = self.call(2, "demo", "demo123")
        self.service.admin("/admin/reset")
        self.assertEqual(self.service.links(), ["%s demo" % self.service.line(2)])
        link.settimeout(0.2)
        self.assertRaises(socket.timeout, link.recv, 10)

    def test_line_down_refuses_connections_until_up(self):
        s = self.service
        _, link = self.call(3, "demo", "demo123")
        s.admin("/admin/line?address=%s&state=down" % s.line(3))
        for port in LINE_PORTS:
            with self.subTest(port=port):
                self.assertRaises(ConnectionRefusedError, socket.create_connection, (s.line(3), port))
        self.assertEqual(self.call(0, "demo", "demo123")[0], b"OK\r\n")  # other lines answer
        self.assertIn("%s demo" % s.line(3), s.links())                  # its link stays
        s.admin("/admin/line?address=%s&state=down" % s.line(3))           # down twice is fine
        s.admin("/admin/line?address=%s&state=up" % s.line(3))
        self.assertEqual(self.call(3, "demo", "demo123")[0], b"OK\r\n")
        s.admin("/admin/line?address=%s&state=down" % s.line(3))
        s.admin("/admin/reset")
        self.assertEqual(self.call(3, "demo", "demo123", 6665)[0], b"OK\r\n")

    def test_probe_listener_accepts_and_holds_connections(self):
        held = socket.create_connection(("127.0.0.1", self.service.probe_port))
        self.sockets.append(held)
        held.settimeout(0.2)
        self.assertRaises(socket.timeout, held.recv, 10)
        for _ in range(3):
            socket.create_connection(("127.0.0.1", self.service.probe_port)).close()
        self.assertEqual(self.service.nas(b"ping=abcd").body, b"ok")


class StartAndStop(unittest.TestCase):
    def run_service(self, *args, **kw):
        service = DemoService(*args, **kw)
        self.addCleanup(service.remove)
        return service.start()

    def test_files_describe_the_listeners(self):
        s = self.run_service("--dial-domain", "dial.example.test")
        base = "http://127.0.0.1:%d" % s.http_port
        self.assertEqual(read_file(s.path("service.ini")).decode(), ("[service]\r\nbase=%s\r\nprobe_host=127.0.0.1\r\nprobe_port=%d\r\n"
                         "dial_domain=dial.example.test\r\nip_lookup=%s/ip\r\n") % (base, s.probe_port, base))
        # Every line address starts with "127": the first line holds the name.
        self.assertEqual(read_file(s.path("sim-ras.ini")).decode(),
                         "[hosts]\r\n127.dial.example.test=%s\r\n" % s.line(0))
        self.assertEqual(read_file(s.path("ready"), "r"), "http_port=%d\nprobe_port=%d\n" % (s.http_port, s.probe_port))
        socket.create_connection(("127.0.0.1", s.probe_port)).close()
        self.assertEqual(http(s.http_port, "GET", b"/nas.php?ping=abcd").body, b"ok")
        self.assertEqual(s.stop(), 0)

    def test_stops_cleanly_with_live_links_and_a_slow_reply_pending(self):
        for sig in (signal.SIGTERM, signal.SIGINT):
            with self.subTest(signal=sig):
                s = self.run_service()
                answer, link = s.call(0, "demo", "demo123")
                self.addCleanup(link.close)
                self.assertEqual(answer, b"OK\r\n")
                idle = socket.create_connection(("127.0.0.1", s.http_port))  # a keep-alive that says nothing
                self.addCleanup(idle.close)
                s.admin("/admin/fault?op=ping&mode=slow&delay_ms=600000")
                pending = socket.create_connection(("127.0.0.1", s.http_port))
                self.addCleanup(pending.close)
                pending.sendall(b"POST /nas.php?ping=abcd HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n")
                wait_until(lambda: b"ping" in read_file(s.path("requests.log")), "the slow request")
                started = time.monotonic()
                self.assertEqual(s.stop(sig), 0, s.errors())
                self.assertLess(time.monotonic() - started, 10)
                self.assertTrue(hung_up(link))
                self.assertRaises(ConnectionRefusedError, socket.create_connection, (s.line(0), 1723))

    def test_database_file_outlives_the_seed(self):
        folder = tempfile.mkdtemp(prefix="demo-service-db-")
        self.addCleanup(shutil.rmtree, folder, True)
        db = os.path.join(folder, "demo.sqlite")
        first = self.run_service("--db", db)
        self.assertEqual(first.stop(), 0)
        self.assertTrue(os.path.exists(db))
        # An existing database is used as it is: the seed is not read again, and the lines take
        # their addresses from this run's line net.
        second = self.run_service("--db", db, seed=os.path.join(folder, "no-such-seed.txt"))
        self.assertEqual(second.nas(b"denglu=denglu&username=demo&password=demo123").text(),
                         "2099-12-31 23:59:59|尊享年付套餐|ok")
        self.assertTrue(second.nas(b"nas=nas").text().startswith(second.line(0) + ":北京一号+"))
        self.assertEqual(second.stop(), 0)

    def test_default_seed_has_the_demo_accounts_and_lines(self):
        s = self.run_service(use_default_seed=True)
        signed_in = s.nas(b"denglu=denglu&username=demo&password=demo123").text().split("|")
        self.assertEqual(signed_in[2], "ok")
        self.assertGreater(signed_in[0], "2090")
        package = s.nas(b"denglu=denglu&username=yi&password=yi123").text().split("|")[1]
        self.assertIn(b"\x83\x7c", package.encode("gbk"))
        expired = s.nas(b"denglu=denglu&username=expired&password=expired123").text().split("|")
        self.assertEqual(expired[2], "ok")
        self.assertLess(expired[0], time.strftime("%Y-%m-%d"))
        entries = s.nas(b"nas=nas").text().split(";")[:-1]
        self.assertTrue(6 <= len(entries) <= 10, entries)
        for i, entry in enumerate(entries):
            address, _, rest = entry.partition(":")
            self.assertEqual(address, s.line(i))
            name = rest.partition("+")[0]
            self.assertTrue(any("\u4e00" <= c <= "\u9fff" for c in name), name)
        regions = {region for region in ("北京", "上海", "广东", "香港", "日本", "美国")
                   if s.nas(b"sousuo=sousuo&diqu=" + gbk_percent(region)).body}
        self.assertGreaterEqual(len(regions), 3)
        self.assertEqual(s.stop(), 0)

    def test_start_failures_are_reported(self):
        folder = tempfile.mkdtemp(prefix="demo-service-bad-")
        self.addCleanup(shutil.rmtree, folder, True)
        bad_seed = os.path.join(folder, "seed.txt")
        with open(bad_seed, "w", encoding="utf-8") as f:
            f.write("[accounts]\ndemo | demo123 | tomorrow | 套餐 | active\n")
        cases = [(["--seed", bad_seed], 1, bad_seed + ":2: expiry"),
                 (["--seed", os.path.join(folder, "missing.txt")], 1, "cannot be read"),
                 (["--frobnicate", "1"], 2, "unknown option --frobnicate"),
                 (["--http-port", "70000"], 2, "--http-port needs a port"),
                 (["--line-net", "127.1"], 2, "--line-net needs three numbers"),
                 (["--listen", "localhost"], 2, "--listen needs an IPv4 address"),
                 (["--line-net", "127.%d.%d" % (random.randint(1, 254), random.randint(1, 254)),
                   "--service-ini", os.path.join(folder, "no-such-folder", "service.ini")], 1, "cannot write")]
        for args, code, message in cases:
            with self.subTest(args=args):
                run = subprocess.run([BINARY, "--http-port", "0", "--probe-port", "0", "--seed", FIXTURE_SEED] + args,
                                     capture_output=True, timeout=60)
                self.assertEqual(run.returncode, code)
                self.assertIn(message, run.stderr.decode("utf-8", "replace"))
        # A bad seed leaves no half-made database behind.
        db = os.path.join(folder, "demo.sqlite")
        subprocess.run([BINARY, "--seed", bad_seed, "--db", db], capture_output=True, timeout=60)
        self.assertFalse(os.path.exists(db))


if __name__ == "__main__":
    if not BINARY:
        sys.exit("set MERVOLT_DEMO_SERVICE to the demo service binary")
    unittest.main(verbosity=2)
