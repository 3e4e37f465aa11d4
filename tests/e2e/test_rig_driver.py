"""The driver against its test window: every read and every kind of input, checked by the
window's own reaction (labels it sets, states it keeps)."""

import time
import unittest

import rig
from driver import BLACK, RED, VK_F8, VK_RETURN, WM_HOTKEY, DriverError, wait_until

TITLE = "驱动测试窗"
STATUS, EDIT, PASSWORD, COPY, REMEMBER, PPTP, L2TP, SSTP, LIST, RED_LABEL, BLACK_LABEL, CHARS, MESSAGE, DISABLED, \
    GROUP, MENU, BUSY = range(100, 117)


class DriverTest(rig.RigTestCase):
    rig_options = staticmethod(lambda: dict(exe=rig.test_window_exe(), service=False, sim_ras=False))

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.d = cls.rig.driver
        cls.window = cls.d.find_window(TITLE, pid=cls.rig.program_pid(), visible=True)

    def control(self, id):
        return self.d.find_control(self.window, id=id)

    def test_window_facts(self):
        self.assertEqual((self.window.w, self.window.h, self.window.minimised), (500, 380, False))
        self.assertEqual([w.hwnd for w in self.d.windows(title=TITLE, visible=True)], [self.window.hwnd])
        self.assertEqual(self.d.windows(title=TITLE, pid=self.window.pid + 1), [])

    def test_hotkey_by_a_real_key_press_and_by_a_posted_message(self):
        status = self.control(STATUS)
        self.d.set_text(status, "")
        self.d.key_input(VK_F8)
        self.d.wait_text(status, "热键 7")
        self.d.post_message(self.window, WM_HOTKEY, 9)
        self.d.wait_text(status, "热键 9")
        self.assertEqual(self.d.send_message(status, 0x000E), len("热键 9"))  # WM_GETTEXTLENGTH

    def test_lists_the_controls_with_their_facts(self):
        controls = {c.id: c for c in self.d.controls(self.window)}
        # id, class, kind, caption, checked, enabled
        expected = [
            (EDIT, "Edit", "edit", None, None, True),
            (PASSWORD, "Edit", "password", None, None, True),
            (COPY, "Button", "button", "复制", None, True),
            (REMEMBER, "Button", "checkbox", "记住密码", None, True),
            (GROUP, "Button", "groupbox", "协议", None, True),
            (PPTP, "Button", "radio", "PPTP", None, True),
            (RED_LABEL, "Static", "label", "已过期", None, True),
            (LIST, "SysListView32", "listview", "", None, True),
            (DISABLED, "Button", "button", "禁用", None, False),
        ]
        for id, cls, kind, caption, checked, enabled in expected:
            with self.subTest(id=id):
                c = controls[id]
                self.assertEqual((c.cls, c.kind, c.enabled, c.visible), (cls, kind, enabled, True))
                if caption is not None:
                    self.assertEqual(c.text, caption)
        self.assertIn(controls[PPTP].checked, (0, 1))
        self.assertIsNone(controls[COPY].checked)
        edit = controls[EDIT]
        self.assertEqual((edit.x, edit.y, edit.w, edit.h), (20, 40, 200, 24))

    def test_finds_a_control_by_caption_class_kind_index_or_position(self):
        cases = [
            (dict(caption="复制"), COPY),
            (dict(cls="edit", index=1), PASSWORD),
            (dict(kind="radio", index=2), SSTP),
            (dict(kind="label", caption="正常"), BLACK_LABEL),
            (dict(at=(30, 125)), PPTP),  # inside the group box too: the smaller control wins
            (dict(at=(16, 104)), GROUP),
            (dict(at=(25, 45), kind="edit"), EDIT),
        ]
        for query, id in cases:
            with self.subTest(query=query):
                self.assertEqual(self.d.find_control(self.window, timeout=0, **query).id, id)
        for query in (dict(caption="没有"), dict(cls="Edit", index=2), dict(at=(490, 5))):
            with self.subTest(query=query), self.assertRaisesRegex(DriverError, "not found"):
                self.d.find_control(self.window, timeout=0, **query)

    def test_texts_cross_the_pipe_unchanged(self):
        status = self.control(STATUS)
        for text in ["制表\t反斜杠\\换行\n回车\r", "", "=等号=", "\\t不是制表", "emoji \U0001F600"]:
            with self.subTest(text=text):
                self.d.set_text(status, text)
                self.assertEqual(self.d.text(status), text)

    def test_typed_characters_reach_the_key_handler_and_the_button_reads_them(self):
        edit, chars = self.control(EDIT), self.control(CHARS)
        self.d.set_text(edit, "")
        before = int(self.d.text(chars).split()[1])
        self.d.type_text(edit, "线路 a1")
        self.assertEqual(self.d.text(edit), "线路 a1")
        self.assertEqual(self.d.text(chars), f"键入 {before + 5}")
        self.d.click(self.control(COPY))
        self.d.wait_text(self.control(STATUS), "线路 a1")

    def test_enter_in_the_password_box_runs_its_handler(self):
        password = self.control(PASSWORD)
        self.d.set_text(password, "")
        self.d.type_text(password, "秘密pw", via="post")
        self.d.press_key(password, VK_RETURN)
        self.d.wait_text(self.control(STATUS), "回车:秘密pw")
        self.assertEqual(self.d.text(password), "秘密pw")  # Wine lets another process read it

    def test_every_click_kind_toggles_the_check_box(self):
        box = self.control(REMEMBER)
        for via in ("post", "send", "mouse", "input"):
            with self.subTest(via=via):
                before = self.d.checked(box)
                self.d.click(box, via=via)
                wait_until(lambda: self.d.checked(box) == 1 - before, 10, f"the check box to flip by {via}")

    def test_a_clicked_radio_button_is_the_only_one_checked(self):
        radios = [PPTP, L2TP, SSTP]
        for chosen, via in ((L2TP, "post"), (SSTP, "mouse"), (PPTP, "input"), (L2TP, "send")):
            with self.subTest(chosen=chosen, via=via):
                self.d.click(self.control(chosen), via=via)
                wait_until(lambda: [self.d.checked(self.control(r)) for r in radios] ==
                           [int(r == chosen) for r in radios], 10, f"radio {chosen}")

    def test_enabled_state(self):
        self.assertFalse(self.d.enabled(self.control(DISABLED)))
        self.assertTrue(self.d.enabled(self.control(COPY)))

    def test_list_view_rows_and_row_clicks(self):
        list_view = self.control(LIST)
        contents = self.d.list_view(list_view)
        self.assertEqual(contents.columns, ["id", "ser", "线路名称", "线路说明"])
        self.assertEqual(contents.rows, [
            ["1", "127.0.0.2", "北京一号", "电信 100M"],
            ["2", "127.0.0.3", "上海二号", "联通\t制表"],
            ["3", "127.0.0.4", "广州三号", ""],
        ])
        status = self.control(STATUS)
        for row, via, name in ((2, "mouse", "广州三号"), (0, "input", "北京一号"), (1, "mouse", "上海二号")):
            with self.subTest(row=row, via=via):
                self.d.click_row(list_view, row, via=via)
                self.d.wait_text(status, f"行 {row}:{name}")
                self.assertEqual(self.d.list_view(list_view).selected, [row])
        with self.assertRaisesRegex(DriverError, "not in a list of 3"):
            self.d.click_row(list_view, 3)

    def test_label_text_colour(self):
        self.assertEqual(self.d.text_colour(self.control(RED_LABEL)), RED)
        self.assertEqual(self.d.text_colour(self.control(BLACK_LABEL)), BLACK)

    def test_message_box_title_text_and_ok(self):
        self.d.click(self.control(MESSAGE))
        box = self.d.find_message_box(pid=self.window.pid, title="测试标题")
        self.assertEqual((box.text, box.owner), ("测试消息内容", self.window.hwnd))
        self.assertEqual([b.id for b in box.buttons], [1])
        self.d.dismiss(box)
        self.d.wait_gone(box)
        self.d.wait_text(self.control(STATUS), "消息框已关闭")
        self.assertEqual(self.d.message_boxes(pid=self.window.pid), [])

    def test_popup_menu_items_are_chosen_by_keyboard(self):
        status = self.control(STATUS)
        for index, shown in ((1, "菜单 202"), (0, "菜单 201"), (None, "菜单 0")):
            with self.subTest(index=index):
                self.d.set_text(status, "")
                self.d.click(self.control(MENU))
                if index is None:
                    self.d.dismiss_menu(pid=self.window.pid)
                else:
                    self.d.choose_menu_item(index, pid=self.window.pid)
                self.d.wait_text(status, shown)
                wait_until(lambda: not self.d.windows(cls="#32768", visible=True), 10, "the menu to close")

    def test_a_blocked_window_makes_reads_fail_as_busy_and_waits_carry_on(self):
        status = self.control(STATUS)
        self.d.set_text(status, "")
        self.d.click(self.control(BUSY))

        def busy():
            try:
                self.d.text(status)
            except DriverError as error:
                return "busy" in str(error)
            return False

        wait_until(busy, 10, "a read to find the window busy")
        self.assertEqual(self.d.wait_text(status, "空闲", timeout=20), "空闲")

    def test_keyboard_focus_follows_mouse_clicks(self):
        for id in (EDIT, PASSWORD, EDIT):
            with self.subTest(id=id):
                self.d.click(self.control(id), via="mouse")
                wait_until(lambda: getattr(self.d.focus(self.window), "id", None) == id, 10, f"focus on {id}")

    def test_refused_commands_say_why(self):
        cases = [
            (("no_such_command",), {}, "unknown command"),
            (("text",), {}, "missing argument hwnd"),
            (("text",), {"hwnd": 12345678}, "no such window"),
            (("text",), {"hwnd": "zwölf"}, "not a number"),
            (("find_control",), {"window": self.window.hwnd, "x": 3}, "needs both x and y"),
            (("click",), {"hwnd": self.window.hwnd, "via": "telepathy"}, "via must be"),
        ]
        for args, kwargs, error in cases:
            with self.subTest(args=args, kwargs=kwargs), self.assertRaisesRegex(DriverError, error):
                self.d.call(*args, **kwargs)
        # A broken escape, written raw: the driver answers and carries on.
        self.d._process.stdin.write(b"text\thwnd=1\\x\n")
        self.d._process.stdin.flush()
        self.assertIn(b"unknown escape", self.d._read_line(time.monotonic() + 30, "raw"))
        self.assertEqual(self.d.text(self.control(COPY)), "复制")


class RigServicesTest(unittest.TestCase):
    """The rig's own services with a program that ends: config.ini, screenshots, closing."""

    def test_config_screenshot_and_a_clean_close(self):
        config = "[config]\nusername=用户甲\npassword=\n"
        with rig.Rig(exe=rig.test_window_exe(), config_ini=config, service=False, sim_ras=False) as r:
            self.assertEqual(r.read_config_ini(), {"config": {"username": "用户甲", "password": ""}})
            self.assertEqual((r.program_dir / "config.ini").read_bytes(), config.encode("gbk"))
            window = r.driver.find_window(TITLE, visible=True)
            shot = r.screenshot(r.work_dir / "screen.png")
            self.assertEqual(shot.read_bytes()[:8], b"\x89PNG\r\n\x1a\n")
            r.driver.close(window)
            r.driver.wait_gone(window)
            self.assertEqual(r.program_exit_code(), 0)

    def test_no_config_ini_reads_as_none(self):
        with rig.Rig(exe=None, service=False, sim_ras=False) as r:
            self.assertIsNone(r.read_config_ini())
            self.assertEqual(r.standin_log(), [])


if __name__ == "__main__":
    unittest.main()
