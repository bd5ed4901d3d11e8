"""Searching as a user does: type a name into 编辑框1, press 按钮1, read the results box and the
status bar. The drives are C: (the Wine prefix's own, which holds none of the names below) and
two fixture drives, D: and E:, searched in that order."""

import os
import unittest

import varnelo_e2e as e2e

FOUND = e2e.TEXTS['kFound']
NOT_FOUND = e2e.TEXTS['kNotFound']
WARNING = e2e.TEXTS['kSearchWarning']
NAME_MISSING = e2e.TEXTS['kNameMissing']
CAPTION = e2e.TEXTS['kMessageCaption']

# '乗' is 0x81 0x5C in code page 936: its second byte is the backslash.
TRAIL_BACKSLASH = '乗'
assert TRAIL_BACKSLASH.encode('gb18030')[1:] == b'\\'
LONG_NAME = 'n' * 300 + '.txt'  # more bytes than a path may have


def lay_out_drives():
    root = e2e.fixture_dir('search')
    d, e = os.path.join(root, 'd'), os.path.join(root, 'e')
    e2e.make_file(os.path.join(d, 'alpha', 'beta', 'target.txt'))
    e2e.make_file(os.path.join(d, 'alpha', 'both.txt'))
    os.makedirs(os.path.join(d, 'empty'))
    e2e.make_file(os.path.join(d, TRAIL_BACKSLASH + '目录', TRAIL_BACKSLASH + '车.txt'))
    e2e.make_file(os.path.join(e, 'deep', 'er', 'only-on-e.txt'))
    e2e.make_file(os.path.join(e, 'deep', 'both.txt'))
    e2e.map_drives(d=d, e=e)


def setUpModule():
    lay_out_drives()


class Search(unittest.TestCase):
    # name typed -> the results box and the status bar after the search
    CASES = [
        ('a file below a root', 'target.txt', 'D:\\alpha\\beta\\target.txt', FOUND),
        ('a file on the second drive only', 'only-on-e.txt', 'E:\\deep\\er\\only-on-e.txt',
         FOUND),
        ('a file on both drives: the first drive wins', 'both.txt', 'D:\\alpha\\both.txt', FOUND),
        ('a name with a second byte 0x5C', TRAIL_BACKSLASH + '车.txt',
         'D:\\%s目录\\%s车.txt' % (TRAIL_BACKSLASH, TRAIL_BACKSLASH), FOUND),
        ('a miss', 'nowhere.txt', '', NOT_FOUND),
        ('a name of spaces is searched as typed', '   ', '', NOT_FOUND),
        ('a name longer than a path may be', LONG_NAME, '', NOT_FOUND),
    ]

    @classmethod
    def setUpClass(cls):
        cls.app = e2e.Program.session()

    def search(self, name):
        """Types the name, presses 按钮1 and closes the warning box, which must come first."""
        app = self.app
        app.type_into('编辑框1', name)
        app.click('按钮1')
        box = app.wait_message_box()
        self.assertEqual((box.caption, box.text, box.icon), (CAPTION, WARNING, False))
        self.assertEqual([b.id for b in box.buttons], [1])  # OK alone
        self.assertFalse(app.main_window().enabled, 'the window takes input under the box')
        box.press_ok()

    def assert_still_running(self):
        self.assertIsNone(self.app.process.poll(), 'the program ended')
        self.app.wait_idle()

    def test_results_and_status_after_a_search(self):
        for label, name, path, status in self.CASES:
            with self.subTest(label):
                self.search(name)
                self.app.wait_idle()
                self.assertIsNone(self.app.message_box())
                self.assertEqual(self.app.text('编辑框2'), path)
                self.assertEqual(self.app.text('状态条1'), status)
                self.assertEqual(self.app.text('编辑框1'), name)
                self.assert_still_running()
                if label == self.CASES[1][0]:
                    e2e.screenshot('search-found', crop=self.app.main_window().screen)
        e2e.screenshot('search-done', crop=self.app.main_window().screen)

    def test_an_empty_name_gives_the_error_box_and_leaves_the_status_alone(self):
        app = self.app
        self.search('target.txt')
        app.wait_idle()
        self.assertEqual(app.text('状态条1'), FOUND)

        self.search('')
        error = app.wait_message_box()
        e2e.screenshot('empty-name-error')
        self.assertEqual((error.caption, error.text, error.icon), (CAPTION, NAME_MISSING, True))
        self.assertEqual([b.id for b in error.buttons], [1])
        error.press_ok()
        app.wait_idle()
        self.assertIsNone(app.message_box())
        self.assertEqual(app.text('编辑框2'), '', 'the results box is emptied before the check')
        self.assertEqual(app.text('状态条1'), FOUND)
        self.assert_still_running()


if __name__ == '__main__':
    unittest.main()
