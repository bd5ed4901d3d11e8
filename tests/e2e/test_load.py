"""One hundred searches in a row, hits and misses alternating, must leave the program holding no
more handles than after the first: a handle that a search opens and never closes shows up here a
hundred times over. (Not every unclosed handle: Wine's FindFirstFileA on a name without
wildcards closes its directory handle at once, so leaving that finder open costs memory, not a
handle.) The drives are B: (a small fixture, listed before C:, so a hit ends early)
and C: (the Wine prefix's own, which a miss walks whole)."""

import os
import time
import unittest

import varnelo_e2e as e2e

FOUND = e2e.TEXTS['kFound']
NOT_FOUND = e2e.TEXTS['kNotFound']
WARNING = e2e.TEXTS['kSearchWarning']
SEARCHES = 100
HIT = 'load-hit.txt'
HIT_PATH = 'B:\\shallow\\' + HIT
MISS = 'load-miss.txt'


def setUpModule():
    root = e2e.fixture_dir('load')
    e2e.make_file(os.path.join(root, 'shallow', HIT))
    e2e.make_file(os.path.join(root, 'other', 'unrelated.txt'))
    e2e.map_drives(b=root)


class Load(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.app = e2e.Program.session()

    def search(self, button):
        """Presses 按钮1, closes the warning box and waits until the search is over."""
        e2e.click_at(*button)
        box = self.app.wait_message_box()
        self.assertEqual(box.text, WARNING)
        box.press_ok()
        self.app.wait_idle()

    def assert_results(self, path, status):
        self.assertEqual((self.app.text('编辑框2'), self.app.text('状态条1')), (path, status))

    def test_a_hundred_searches_leave_the_handle_count_alone(self):
        app = self.app
        started = time.monotonic()
        button = app.control('按钮1').centre
        app.type_into('编辑框1', HIT)
        self.search(button)
        self.assert_results(HIT_PATH, FOUND)
        first = app.handle_count()

        # The name goes in through WM_SETTEXT from here on: typing it again each time would cost
        # more than the search, and the box's text is all the search reads.
        name_box = app.control('编辑框1').hwnd
        kinds = [(MISS, '', NOT_FOUND), (HIT, HIT_PATH, FOUND)]
        for number in range(1, SEARCHES):
            name, path, status = kinds[number % 2 == 0]
            e2e.set_text(name_box, name)
            self.search(button)
            if number >= SEARCHES - 2:  # the last miss and the last hit
                self.assert_results(path, status)
        last = app.handle_count()

        print('handles after the first search: %d, after %d: %d; %.0f s'
              % (first, SEARCHES, last, time.monotonic() - started))
        self.assertLessEqual(last, first, 'handles held after %d searches' % SEARCHES)
        self.assertIsNone(app.process.poll(), 'the program ended')


if __name__ == '__main__':
    unittest.main()
