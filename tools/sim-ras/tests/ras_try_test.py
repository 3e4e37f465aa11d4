"""Calls through sim-ras: ras-try.exe and rasapi32.dll under Wine against a line server run here.

Environment (set by ctest): SIM_RAS_DIR (folder of ras-try.exe and rasapi32.dll), WINE_CONSOLE
(scripts/wine-console.sh), WINEPREFIX (this test's own prefix, stopped at the end).
"""
import os
import random
import shutil
import socket
import subprocess
import tempfile
import threading
import time
import unittest

SIM_RAS_DIR = os.environ["SIM_RAS_DIR"]
WINE = ["bash", os.environ["WINE_CONSOLE"]]

PHONEBOOK = "\ufeff\r\n[PPTP]\r\nEncoding=1\r\nType=2\r\nVpnStrategy=1\r\nPhoneNumber=\r\n\r\n"
STATES_TO_AUTH = ["state 0", "state 1", "state 2", "state 3", "state 4", "state 5"]
STATES_CONNECTED = STATES_TO_AUTH + ["state 12", "state 14", "state 18", "state 21", "state 24",
                                     "state 8192", "connected"]


def random_loopback():
    return "127.%d.%d.%d" % tuple(random.randint(1, 254) for _ in range(3))


def gbk_hex(text):
    return text.encode("gbk").hex().upper() if text else "-"


class LineServer:
    """A line server: one request line, one reply, then the link stays open until either side
    closes. modes: normal (checks the account), garbage, close (hangs up unanswered), silent."""

    def __init__(self, port=1723, address=None, accounts=None, mode="normal"):
        self.accounts = accounts if accounts is not None else {"alice": "secret"}
        self.mode = mode
        self.requests = []
        self.links = []
        self.lock = threading.Lock()
        for _ in range(50):
            self.address = address or random_loopback()
            self.listener = socket.socket()
            self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            try:
                self.listener.bind((self.address, port))
                break
            except OSError:
                self.listener.close()
                if address:
                    raise
        self.port = self.listener.getsockname()[1]
        self.listener.listen(8)
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        while True:
            try:
                link, _ = self.listener.accept()
            except OSError:
                return
            threading.Thread(target=self._serve, args=(link,), daemon=True).start()

    def _serve(self, link):
        data = b""
        link.settimeout(15)
        try:
            while not data.endswith(b"\r\n"):
                chunk = link.recv(256)
                if not chunk:
                    link.close()
                    return
                data += chunk
        except OSError:
            link.close()
            return
        with self.lock:
            self.requests.append(data.decode("ascii", "replace"))
        if self.mode == "close":
            link.close()
            return
        if self.mode == "silent":
            time.sleep(12)
            link.close()
            return
        if self.mode == "garbage":
            link.sendall(b"\xff\xfe HELLO\r\n")
            link.close()
            return
        words = data.decode("ascii", "replace").split()
        known = {gbk_hex(user): gbk_hex(password) for user, password in self.accounts.items()}
        if len(words) == 3 and words[0] == "DIAL" and known.get(words[1]) == words[2]:
            link.sendall(b"OK\r\n")
            with self.lock:
                self.links.append(link)
            try:
                while link.recv(256):
                    pass
            except OSError:
                pass
            with self.lock:
                if link in self.links:
                    self.links.remove(link)
        else:
            link.sendall(b"ERR 691\r\n")
        link.close()

    def live_links(self):
        with self.lock:
            return len(self.links)

    def drop(self):
        with self.lock:
            links, self.links = self.links, []
        for link in links:
            link.shutdown(socket.SHUT_RDWR)
            link.close()

    def close(self):
        self.listener.close()
        self.drop()


class RasTryTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # Makes the prefix if needed and starts Wine's background processes with no pipe of ours
        # open, then keeps one wineserver for all cases so each run starts quickly.
        quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run([*WINE, "cmd", "/c", "exit"], timeout=600, **quiet)
        subprocess.run(["wineserver", "-p"], timeout=60, **quiet)

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["wineserver", "-k"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="sim-ras-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        for name in ("ras-try.exe", "rasapi32.dll"):
            shutil.copy(os.path.join(SIM_RAS_DIR, name), self.folder)
        self.phonebook = self.write("pptp.pbk", PHONEBOOK)

    def write(self, name, text):
        path = os.path.join(self.folder, name)
        with open(path, "w", encoding="utf-8", newline="") as f:
            f.write(text)
        return "Z:" + path.replace("/", "\\")

    def line_server(self, **kwargs):
        server = LineServer(**kwargs)
        self.addCleanup(server.close)
        return server

    def ras_try(self, *steps, timeout=60):
        # Output goes to files, not pipes: a Wine process started on the way could hold a pipe
        # open long after ras-try has ended.
        env = dict(os.environ, WINEDLLOVERRIDES="rasapi32=n,b")
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            done = subprocess.run([*WINE, os.path.join(self.folder, "ras-try.exe"), *steps],
                                  cwd=self.folder, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                  timeout=timeout)
            out.seek(0)
            err.seek(0)
            self.assertEqual(done.returncode, 0, err.read().decode("utf-8", "replace"))
            return out.read().decode("gbk").splitlines()

    def dial(self, number, user="alice", password="secret", phonebook=None, entry="PPTP"):
        return ["dial", phonebook or self.phonebook, entry, number, user, password]

    def test_call_is_listed_while_up_and_gone_after_hang_up(self):
        server = self.line_server()
        out = self.ras_try(*self.dial(server.address), "list", "hangup", "list", "hangup")
        self.assertEqual(out, STATES_CONNECTED + ["conn PPTP", "count 1", "hangup 0", "count 0", "hangup 6"])
        self.assertEqual(server.requests, ["DIAL 616C696365 736563726574\r\n"])
        deadline = time.time() + 5
        while server.live_links() and time.time() < deadline:
            time.sleep(0.05)
        self.assertEqual(server.live_links(), 0, "the hang-up must close the link")

    def test_failed_calls_report_the_state_reached_and_the_error(self):
        closed = socket.socket()
        closed.bind((random_loopback(), 0))
        closed_number = "%s:%d" % closed.getsockname()
        closed.close()
        cases = [
            # (what, server arguments, number or None for the server's address, user, password, output)
            ("wrong password", {}, None, "alice", "wrong", STATES_TO_AUTH + ["state 5", "error 691"]),
            ("unknown account", {}, None, "bob", "secret", STATES_TO_AUTH + ["state 5", "error 691"]),
            ("garbled reply", {"mode": "garbage"}, None, "alice", "secret", STATES_TO_AUTH + ["state 5", "error 651"]),
            ("closed unanswered", {"mode": "close"}, None, "alice", "secret", STATES_TO_AUTH + ["state 5", "error 651"]),
            ("nobody listening", None, closed_number, "alice", "secret", ["state 0", "state 1", "state 2", "state 2", "error 678"]),
            ("port not a number", None, "127.0.0.1:17x3", "alice", "secret", ["state 0", "state 1", "state 2", "state 2", "error 868"]),
            ("port out of range", None, "127.0.0.1:65536", "alice", "secret", ["state 0", "state 1", "state 2", "state 2", "error 868"]),
            ("empty number", None, "", "alice", "secret", ["state 0", "state 1", "state 2", "state 2", "error 868"]),
        ]
        for what, server_args, number, user, password, expected in cases:
            with self.subTest(what):
                if server_args is not None:
                    number = self.line_server(**server_args).address
                out = self.ras_try(*self.dial(number, user, password), "list", "hangup")
                # The failed call is not listed, but its handle is released only by the hang-up.
                self.assertEqual(out, expected + ["count 0", "hangup 0"])

    def test_phonebook_without_the_entry_refuses_the_dial_at_once(self):
        server = self.line_server()
        other = self.write("other.pbk", "[Office VPN]\r\nType=2\r\n")
        cases = [
            ("missing file", self.phonebook + ".gone", "PPTP"),
            ("entry absent", other, "PPTP"),
            ("entry name is a key, not a section", self.write("keys.pbk", "[X]\r\nPPTP=1\r\n"), "PPTP"),
        ]
        for what, phonebook, entry in cases:
            with self.subTest(what):
                out = self.ras_try(*self.dial(server.address, phonebook=phonebook, entry=entry), "hangup")
                self.assertEqual(out, ["error 623", "hangup 6"])
        self.assertEqual(server.requests, [])

    def test_texts_longer_than_their_record_members_are_refused(self):
        server = self.line_server()
        cases = [
            ("number of 129 bytes", self.dial("1" * 129)),
            ("user name of 257 bytes", self.dial(server.address, user="u" * 257)),
            ("password of 257 bytes", self.dial(server.address, password="p" * 257)),
        ]
        for what, steps in cases:
            with self.subTest(what):
                self.assertEqual(self.ras_try(*steps, "hangup"), ["error 87", "hangup 6"])
        out = self.ras_try(*self.dial(server.address, user="u" * 256, password="p" * 256))
        self.assertEqual(out, STATES_TO_AUTH + ["state 5", "error 691"], "the longest texts that fit go through")
        self.assertEqual(server.requests[-1], "DIAL %s %s\r\n" % ("75" * 256, "70" * 256))

    def test_entry_names_match_without_regard_to_case(self):
        server = self.line_server()
        out = self.ras_try(*self.dial(server.address, entry="pptp"), "list")
        self.assertEqual(out, STATES_CONNECTED + ["conn pptp", "count 1"])

    def test_link_dropped_by_the_server_disappears_from_the_list(self):
        server = self.line_server()
        threading.Timer(4.0, server.drop).start()
        out = self.ras_try(*self.dial(server.address), "list", "wait-gone", "20", "list", "hangup", "hangup")
        self.assertEqual(out, STATES_CONNECTED + ["conn PPTP", "count 1", "gone", "count 0", "hangup 0", "hangup 6"])

    def test_link_that_stays_up_is_still_listed(self):
        server = self.line_server()
        out = self.ras_try(*self.dial(server.address), "wait-gone", "1")
        self.assertEqual(out, STATES_CONNECTED + ["still-up"])
        self.assertEqual(server.live_links(), 0, "the link ends with the process")

    def test_server_that_never_answers_fails_after_ten_seconds(self):
        server = self.line_server(mode="silent")
        started = time.time()
        out = self.ras_try(*self.dial(server.address))
        self.assertEqual(out, STATES_TO_AUTH + ["state 5", "error 651"])
        self.assertGreaterEqual(time.time() - started, 9.5)

    def test_sstp_number_goes_through_the_hosts_map_to_the_named_port(self):
        server = self.line_server(port=6665)
        self.write("sim-ras.ini", "[hosts]\r\nline7.vpn.mervolt.test=%s\r\n" % server.address)
        out = self.ras_try(*self.dial("line7.vpn.mervolt.test:6665"), "list")
        self.assertEqual(out, STATES_CONNECTED + ["conn PPTP", "count 1"])

    def test_credentials_travel_as_hex_of_their_bytes(self):
        # Wine hands non-ASCII command-line arguments over mangled here (the zh_CN locale is not
        # installed), so GBK credentials are covered by the DLL's own test.
        server = self.line_server(accounts={"a b": "", "alice": "p=w 1"})
        out = self.ras_try(*self.dial(server.address, "a b", ""), "hangup",
                           *self.dial(server.address, "alice", "p=w 1"))
        self.assertEqual(out, STATES_CONNECTED + ["hangup 0"] + STATES_CONNECTED)
        self.assertEqual(server.requests, ["DIAL 612062 -\r\n", "DIAL 616C696365 703D772031\r\n"])

    def test_second_dial_of_a_connected_entry_gets_the_existing_call(self):
        server = self.line_server()
        out = self.ras_try(*self.dial(server.address), *self.dial(server.address), "list", "hangup", "list")
        self.assertEqual(out, STATES_CONNECTED + ["state 8192", "connected", "conn PPTP", "count 1",
                                                  "hangup 0", "count 0"])
        self.assertEqual(len(server.requests), 1)

    def test_foreign_connections_are_listed_beside_our_calls(self):
        server = self.line_server()
        self.write("sim-ras.ini", "[foreign]\r\nnames=ppoe, Office VPN ,PPOE2\r\n")
        out = self.ras_try("list", *self.dial(server.address), "list")
        self.assertEqual(out, ["conn ppoe", "conn Office VPN", "conn PPOE2", "count 3"] + STATES_CONNECTED +
                         ["conn PPTP", "conn ppoe", "conn Office VPN", "conn PPOE2", "count 4"])


if __name__ == "__main__":
    unittest.main()
