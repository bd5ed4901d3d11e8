"""The main window as the user first sees it, and closing it."""

import subprocess
import unittest

import varnelo_e2e as e2e

WS_CLIPSIBLINGS = 0x04000000
WS_CAPTION = 0x00C00000
WS_SYSMENU = 0x00080000
WS_THICKFRAME = 0x00040000
WS_MINIMIZEBOX = 0x00020000
WS_MAXIMIZEBOX = 0x00010000
WS_CLIPCHILDREN = 0x02000000
WS_TABSTOP = 0x00010000
WS_VSCROLL = 0x00200000
WS_HSCROLL = 0x00100000
WS_EX_WINDOWEDGE = 0x00000100
WS_EX_CLIENTEDGE = 0x00000200
BS_TYPEMASK = 0x0000000F
BS_DEFPUSHBUTTON = 0x00000001
BS_CENTER = 0x00000300
BS_VCENTER = 0x00000C00
BS_MULTILINE = 0x00002000
ES_MULTILINE = 0x0004
ES_UPPERCASE = 0x0008
ES_LOWERCASE = 0x0010
ES_PASSWORD = 0x0020
ES_READONLY = 0x0800
ES_NUMBER = 0x2000
SBARS_SIZEGRIP = 0x0100

# Style bits each kind of control must have and must not have.
BUTTON = (WS_CLIPSIBLINGS | WS_TABSTOP | BS_CENTER | BS_VCENTER | BS_MULTILINE,
          WS_VSCROLL | WS_HSCROLL)
EDIT_ANY = ES_UPPERCASE | ES_LOWERCASE | ES_PASSWORD | ES_READONLY | ES_NUMBER | WS_VSCROLL | \
    WS_HSCROLL
STYLES = {
    '标签1': (0, WS_TABSTOP),
    '标签2': (0, WS_TABSTOP),
    '编辑框1': (WS_CLIPSIBLINGS | WS_TABSTOP, EDIT_ANY | ES_MULTILINE),
    '编辑框2': (WS_CLIPSIBLINGS | WS_TABSTOP | ES_MULTILINE, EDIT_ANY),
    '编辑框3': (WS_CLIPSIBLINGS | WS_TABSTOP | ES_MULTILINE, EDIT_ANY),
    '按钮1': BUTTON,
    '按钮2': BUTTON,
    '按钮3': BUTTON,
    '按钮4': BUTTON,
    '状态条1': (0, WS_TABSTOP | SBARS_SIZEGRIP),
}

# On the test session's 1366 x 768 desktop: ((1366 - 495) / 2, (768 - 288) / 2).
EXPECTED_OUTER = (435, 240, 495, 288)


def overlaps(a, b):
    return a[0] < b[0] + b[2] and b[0] < a[0] + a[2] and a[1] < b[1] + b[3] and b[1] < a[1] + a[3]


class WindowAtStart(unittest.TestCase):
    """One fresh program, looked at and not touched."""

    @classmethod
    def setUpClass(cls):
        cls.app = e2e.Program()
        cls.main = cls.app.wait_main_window()
        # The program puts the focus on 按钮1 as it shows the window; wait until it has.
        e2e.wait_until(lambda: cls.app.focused_control() == '按钮1', 'the focus on 按钮1')
        cls.controls = cls.app.controls()

    @classmethod
    def tearDownClass(cls):
        cls.app.kill()

    def test_window_is_centred_with_its_outer_size(self):
        self.assertEqual(self.main.screen, EXPECTED_OUTER)

    def test_caption_and_frame(self):
        self.assertEqual(self.main.text, e2e.TEXTS['kWindowCaption'])
        style = self.main.style
        self.assertEqual(style & (WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN),
                         WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN)
        self.assertFalse(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
                         'the window can be resized, minimised or maximised: %#x' % style)
        # The system adds the window edge to every captioned window; the program asks for none.
        self.assertEqual(self.main.exstyle & ~WS_EX_WINDOWEDGE, 0)

    def test_ten_controls_sit_at_their_places_with_their_texts(self):
        for name, fact in e2e.CONTROLS.items():
            with self.subTest(control=name):
                control = self.controls[name]
                self.assertIsNotNone(control, 'no child window with id %d' % fact.id)
                self.assertEqual(control.window_class.lower(), fact.window_class.lower())
                self.assertEqual(control.text, fact.text)
                self.assertTrue(control.visible and control.enabled)
                if name != '状态条1':
                    self.assertEqual(control.rect,
                                     (fact.left, fact.top, fact.width, fact.height))

    def test_status_bar_is_docked_to_the_bottom_across_the_client_area(self):
        width, height = self.main.client
        left, top, bar_width, bar_height = self.controls['状态条1'].rect
        self.assertEqual((left, bar_width, top + bar_height), (0, width, height))

    def test_no_two_controls_overlap(self):
        names = list(self.controls)
        for i, first in enumerate(names):
            for second in names[i + 1:]:
                with self.subTest(pair=(first, second)):
                    self.assertFalse(overlaps(self.controls[first].rect,
                                              self.controls[second].rect))

    def test_styles_of_each_kind_of_control(self):
        for name, (required, forbidden) in STYLES.items():
            with self.subTest(control=name):
                style = self.controls[name].style
                self.assertEqual(style & required, required, '%#x' % style)
                self.assertEqual(style & forbidden, 0, '%#x' % style)
        for name in ('按钮1', '按钮2', '按钮3', '按钮4'):
            with self.subTest(default_button=name):
                self.assertNotEqual(self.controls[name].style & BS_TYPEMASK, BS_DEFPUSHBUTTON)
        for name in ('编辑框1', '编辑框2', '编辑框3'):
            with self.subTest(edge=name):
                self.assertTrue(self.controls[name].exstyle & WS_EX_CLIENTEDGE)

    def test_status_bar_and_boxes_are_empty(self):
        for name in ('状态条1', '编辑框1', '编辑框2', '编辑框3'):
            with self.subTest(control=name):
                self.assertEqual(self.controls[name].text, '')

    def test_window_is_active_with_the_focus_on_the_search_button(self):
        focus = self.app.focus()
        self.assertEqual(focus['active'], self.main.hwnd)
        self.assertEqual(focus['foreground'], self.main.hwnd)
        self.assertEqual(self.app.focused_control(), '按钮1')

    def test_screenshot_of_the_window(self):
        path = e2e.screenshot('window-at-start', crop=self.main.screen)
        size = subprocess.run(['identify', '-format', '%w %h', path], capture_output=True,
                              text=True, check=True).stdout
        self.assertEqual(size, '495 288')


def close_with_button(app):
    app.click_close_button()


def close_with_alt_f4(app):
    e2e.press('alt+F4')


class Closing(unittest.TestCase):
    WAYS = {'close button': close_with_button, 'Alt+F4': close_with_alt_f4}

    def test_closing_the_window_ends_the_program_with_exit_code_0(self):
        for way, close in self.WAYS.items():
            with self.subTest(way=way):
                app = e2e.Program()
                try:
                    main = app.wait_main_window()
                    e2e.wait_until(lambda: app.focus()['active'] == main.hwnd,
                                   'the window to be active')
                    close(app)
                    self.assertEqual(app.wait_exit(), 0)
                finally:
                    app.kill()


if __name__ == '__main__':
    unittest.main()
