"""Successful sign-ins end to end: Enter in the password box, remembered credentials across two
starts, the main window's account labels and expiry colour, and the end of the process."""

import unittest

import rig
from driver import BLACK, RED, VK_RETURN, wait_until
from sign_in_steps import (DEMO_ACCOUNT, DEMO_PASSWORD, EXPIRY_LABEL_AT, NAME_LABEL_AT, PACKAGE_LABEL_AT,
                           SignInWindow, label_at, stored_password)


class SignIn(unittest.TestCase):
    def test_enter_in_the_password_box_signs_in_and_closing_the_main_window_ends_the_client(self):
        with rig.Rig(exe=rig.product_exe(), sim_ras=False) as r:
            login = SignInWindow(r)
            login.type(DEMO_ACCOUNT, DEMO_PASSWORD)
            r.driver.press_key(login.password, VK_RETURN)
            main = login.main_window()
            self.assertFalse(r.driver.visible(login.window), "the sign-in window hides")
            self.assertEqual(r.driver.message_boxes(pid=login.pid), [])
            r.driver.close(main)
            r.driver.wait_gone(main)
            r.driver.wait_gone(login.window)
            self.assertEqual(r.program_exit_code(), 0)

    def test_main_window_labels_hold_the_replys_fields_as_sent_and_the_expiry_colour(self):
        # The demo service's accounts: an expired one, one whose package name holds a GBK byte
        # equal to the reply's separator, and one with a date alone.
        cases = [
            ("demo", "demo123", "2099-12-31 23:59:59", "尊享年付套餐", BLACK),
            ("expired", "expired123", "2020-01-01 00:00:00", "月付体验套餐", RED),
            ("yi", "yi123", "2099-06-30 12:00:00", "億萬流量套餐", BLACK),
            ("测试用户", "密码123", "2099-12-31", "季付标准套餐", BLACK),
        ]
        for account, password, expiry, package, colour in cases:
            with self.subTest(account=account), rig.Rig(exe=rig.product_exe(), sim_ras=False) as r:
                d = r.driver
                login = SignInWindow(r)
                login.type(account, password)
                login.press()
                main = login.main_window()
                self.assertEqual(d.wait_text(label_at(d, main, EXPIRY_LABEL_AT), expiry), expiry)
                self.assertEqual(d.text(label_at(d, main, PACKAGE_LABEL_AT)), package)
                self.assertEqual(d.text(label_at(d, main, NAME_LABEL_AT)), account)
                self.assertEqual(d.text_colour(label_at(d, main, EXPIRY_LABEL_AT)), colour)


class RememberPassword(unittest.TestCase):
    def test_ticked_saves_name_and_stored_form_and_the_next_start_fills_both_boxes(self):
        with rig.Rig(exe=rig.product_exe(), sim_ras=False) as r:
            login = SignInWindow(r)
            self.assertEqual(r.driver.checked(login.remember), 1)
            self.assertIsNone(r.read_config_ini(), "no config.ini before")
            login.type("测试用户", "密码123")
            login.press()
            main = login.main_window()
            saved = r.read_config_ini()["config"]
            self.assertEqual(saved["username"], "测试用户")
            self.assertEqual(saved["password"], stored_password("密码123"))
            r.driver.close(main)
            self.assertEqual(r.program_exit_code(), 0)

            r.program = r.start(r.exe.name, log_name="second-start.log")
            again = SignInWindow(r)
            self.assertEqual(r.driver.text(again.account), "测试用户")
            self.assertEqual(r.driver.text(again.password), "密码123")
            again.press()
            main = again.main_window()
            self.assertEqual(r.driver.text(label_at(r.driver, main, NAME_LABEL_AT)), "测试用户")

    def test_unticked_leaves_config_ini_as_it_was(self):
        before = ("[config]\r\nusername=old\r\npassword=" + stored_password("oldpw") + "\r\n").encode("gbk")
        for config_ini in (None, before):
            with self.subTest(config_ini=config_ini), \
                    rig.Rig(exe=rig.product_exe(), sim_ras=False, config_ini=config_ini) as r:
                login = SignInWindow(r)
                r.driver.click(login.remember)
                wait_until(lambda: r.driver.checked(login.remember) == 0, 10, "the box unticked")
                login.type(DEMO_ACCOUNT, DEMO_PASSWORD)
                login.press()
                login.main_window()
                path = r.config_ini_path()
                if config_ini is None:
                    self.assertFalse(path.exists())
                else:
                    self.assertEqual(path.read_bytes(), before)


if __name__ == "__main__":
    unittest.main()
