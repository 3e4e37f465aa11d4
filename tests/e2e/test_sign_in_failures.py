"""Sign-in failures end to end: the client under Wine against the demo service (or none), each
message box read as the user sees it."""

import time
import unittest

import rig
from sign_in_steps import DEMO_ACCOUNT, DEMO_PASSWORD, SignInWindow, dead_service_ini, renamed_client


class FatalServerChecks(unittest.TestCase):
    """A failed server check shows its box, then the sign-in window goes and the process ends."""

    def test_server_down_at_start(self):
        # Under another file name, so that the title shows it is the executable's name.
        exe = renamed_client("Mervolt-Demo.exe")
        with rig.Rig(exe=exe, service=False, sim_ras=False, files={"service.ini": dead_service_ini()}) as r:
            login = SignInWindow(r)
            login.type(DEMO_ACCOUNT, DEMO_PASSWORD)
            login.press()
            box = login.expect_message(self, "服务器连接失败", title="Mervolt-Demo.exe")
            r.driver.dismiss(box)
            r.driver.wait_gone(login.window)
            self.assertEqual(r.program_exit_code(), 0)

    def test_ping_not_ok_closes_its_box_by_itself_after_10_seconds(self):
        with rig.Rig(exe=rig.product_exe(), sim_ras=False) as r:
            r.service.fault("ping", "notok")
            login = SignInWindow(r)
            login.type(DEMO_ACCOUNT, DEMO_PASSWORD)
            login.press()
            box = login.expect_message(self, "获取数据异常！！！", title="报错提示")
            seen = time.monotonic()
            time.sleep(5)
            self.assertTrue(r.driver.message_boxes(pid=login.pid), "still open after 5 s")
            r.driver.wait_gone(box, timeout=30)
            self.assertGreater(time.monotonic() - seen, 5)
            r.driver.wait_gone(login.window)
            self.assertEqual(r.program_exit_code(), 0)
            self.assertEqual(r.service.requests(), ["POST /nas.php?ping=abcd"])


class RecoverableFailures(unittest.TestCase):
    """The window stays after these; one client serves them all, in turn."""

    @classmethod
    def setUpClass(cls):
        cls.rig = rig.Rig(exe=rig.product_exe(), sim_ras=False)
        cls.rig.__enter__()
        cls.addClassCleanup(cls.rig.__exit__, None, None, None)
        cls.login = SignInWindow(cls.rig)

    def setUp(self):
        self.rig.service.reset()

    def attempt(self, account, password, text):
        self.login.type(account, password)
        self.login.press()
        box = self.login.expect_message(self, text)
        self.rig.driver.dismiss(box)
        self.assertTrue(self.rig.driver.visible(self.login.window))
        return box

    def test_empty_account(self):
        self.attempt("", DEMO_PASSWORD, "请输入帐号")
        self.assertEqual(self.rig.service.requests(), ["POST /nas.php?ping=abcd"])

    def test_empty_password(self):
        self.attempt(DEMO_ACCOUNT, "", "请输入密码")
        self.assertEqual(self.rig.service.requests(), ["POST /nas.php?ping=abcd"])

    def test_empty_reply(self):
        self.rig.service.fault("denglu", "empty")
        self.attempt(DEMO_ACCOUNT, DEMO_PASSWORD, "密码错误")

    def test_refused_sign_in_puts_the_focus_back_in_the_account_box(self):
        d = self.rig.driver
        d.click(self.login.password, via="mouse")  # the focus is elsewhere before
        self.attempt(DEMO_ACCOUNT, "wrong-password", "帐号密码错误！")
        focus = d.focus(self.login.window)
        self.assertIsNotNone(focus)
        self.assertEqual(focus.hwnd, self.login.account.hwnd)
        self.assertEqual(d.text(self.login.account), DEMO_ACCOUNT)
        self.assertEqual(d.text(self.login.password), "wrong-password")
        # The next press checks the server again before it signs in.
        self.attempt(DEMO_ACCOUNT, "wrong-password", "帐号密码错误！")
        self.assertEqual([line.split("?")[1].split("&")[0] for line in self.rig.service.requests()],
                         ["ping=abcd", "denglu=denglu", "ping=abcd", "denglu=denglu"])


if __name__ == "__main__":
    unittest.main()
