"""Keyboard and mouse of the main window, end to end: the Tab ring, Esc, Enter, F1, dragging the
window by a label, and the focus coming back after switching to another program. Real keys and
mouse moves from xdotool; focus, texts and places read back with the probe."""

import subprocess
import unittest

import varnelo_e2e as e2e

# The order that Tab walks; the labels and the status bar are never in it.
RING = ['按钮1', '按钮2', '编辑框1', '编辑框2', '编辑框3', '按钮3', '按钮4']
EDIT_BOXES = ['编辑框1', '编辑框2', '编辑框3']


def next_in_ring(name):
    return RING[(RING.index(name) + 1) % len(RING)]


class MainWindowCase(e2e.FreshProgramCase):
    """A fresh program for every test (and subtest), so each starts from the focus at start."""

    def wait_focus(self, name):
        e2e.wait_until(lambda: self.app.focused_control() == name, 'the focus on %s' % name)

    def tab_to(self, name):
        """Walks the ring from 按钮1 with real Tabs until name has the focus."""
        self.wait_focus('按钮1')
        for step in RING[1:RING.index(name) + 1]:
            e2e.press('Tab')
            self.wait_focus(step)

    def space_lands_on(self):
        """Presses Space and gives the control that took it, told by what it did: a button's
        click opens its box (the picker for 按钮4), an edit box gets the space at its end. Keys
        pressed before it are handled by then, whatever they did."""
        before = {name: self.app.text(name) for name in EDIT_BOXES}
        clicked_by_box = {e2e.TEXTS['kSearchWarning']: '按钮1', e2e.TEXTS['kCopyNothing']: '按钮2',
                          e2e.TEXTS['kDeleteNothing']: '按钮3'}
        e2e.press('space')

        def landed():
            box = self.app.message_box()
            if box:
                if box.caption != e2e.TEXTS['kMessageCaption']:
                    return '按钮4'
                return clicked_by_box.get(box.text, 'a box saying %r' % box.text)
            return next((name for name in EDIT_BOXES
                         if self.app.text(name) == before[name] + ' '), None)
        return e2e.wait_until(landed, 'the Space to do something')

    def main_place(self):
        return self.app.main_window().screen


class FocusAndRingTest(MainWindowCase):

    def test_focus_starts_on_search_button_and_space_clicks_it(self):
        self.wait_focus('按钮1')
        e2e.press('space')
        box = self.app.wait_message_box()
        self.assertEqual(box.text, e2e.TEXTS['kSearchWarning'])
        self.assertFalse(box.icon)

    def test_tab_walks_the_ring_and_comes_back(self):
        self.wait_focus('按钮1')
        for expected in RING[1:] + RING[:1]:
            e2e.press('Tab')
            self.wait_focus(expected)
        # Tab left the multi-line boxes without typing a tab into them.
        self.assertEqual(self.app.text('编辑框2'), '')
        self.assertEqual(self.app.text('编辑框3'), '')

    def test_shift_tab_walks_the_ring_backwards(self):
        self.wait_focus('按钮1')
        for expected in list(reversed(RING)):
            e2e.press('shift+Tab')
            self.wait_focus(expected)
        self.assertEqual(self.app.text('编辑框2'), '')
        self.assertEqual(self.app.text('编辑框3'), '')


class KeysThatClickNothingTest(MainWindowCase):
    """A key that must neither click nor move the focus, then Tab and Space: the Space has to
    land on the control after the one that had the focus."""

    CASES = [('按钮1', 'Return'), ('按钮2', 'Return'), ('编辑框1', 'Return'), ('按钮3', 'Return'),
             ('按钮4', 'Return'), ('编辑框2', 'F1'), ('按钮1', 'F1'), ('编辑框1', 'ctrl+Tab'),
             ('编辑框3', 'ctrl+Tab'), ('编辑框1', 'ctrl+Escape'), ('按钮2', 'shift+Escape')]

    def test_keys_click_nothing_and_move_no_focus(self):
        for name, key in self.CASES:
            with self.subTest(control=name, key=key):
                self.start_program()
                self.tab_to(name)
                if name == '编辑框1':
                    e2e.type_text('abc.txt')
                    self.app.wait_text('编辑框1', 'abc.txt')
                e2e.press(key, 'Tab')
                self.assertEqual(self.space_lands_on(), next_in_ring(name))
                if name == '编辑框1':
                    self.assertEqual(self.app.text('编辑框1'), 'abc.txt')

    def test_enter_in_results_and_destination_boxes_breaks_the_line(self):
        for name in ['编辑框2', '编辑框3']:
            with self.subTest(control=name):
                self.start_program()
                self.app.type_into(name, 'ab')
                e2e.press('Return')
                e2e.type_text('cd')
                self.app.wait_text(name, 'ab\r\ncd')
                self.assertEqual(self.app.focused_control(), name)


class EscapeTest(MainWindowCase):

    def test_escape_in_an_edit_box_closes_the_window_with_exit_code_0(self):
        for name in ['编辑框1', '编辑框2']:
            with self.subTest(control=name):
                self.start_program()
                self.app.type_into(name, 'name.txt')
                e2e.press('Escape')
                self.assertEqual(self.app.wait_exit(), 0)


class DragTest(MainWindowCase):
    MOVE = (90, 45)

    def test_drag_on_label_moves_the_window_by_the_distance(self):
        left, top, width, height = self.main_place()
        x, y = self.app.control('标签1').centre
        e2e.drag((x, y), (x + self.MOVE[0], y + self.MOVE[1]))
        moved = (left + self.MOVE[0], top + self.MOVE[1], width, height)
        e2e.wait_until(lambda: self.main_place() == moved, 'the window at %r' % (moved,))

    def test_drag_on_name_box_selects_text_and_leaves_the_window(self):
        text = 'abcdefghijklmnopqrstuvwxyz'
        self.app.type_into('编辑框1', text)
        e2e.press('Home')
        place = self.main_place()
        box = self.app.control('编辑框1')
        left, top, width, height = box.screen
        start = (left + 5, top + height // 2)
        e2e.drag(start, (start[0] + self.MOVE[0], start[1] + self.MOVE[1]))

        def selected_text():
            start, end = e2e.selection(box.hwnd)
            return (start, end) if end > start else None
        selected = e2e.wait_until(selected_text, 'text selected in 编辑框1')
        self.assertEqual(selected[0], 0)
        self.assertEqual(self.main_place(), place)
        self.assertEqual(self.app.text('编辑框1'), text)


def contains(rect, point):
    left, top, width, height = rect
    return left <= point[0] < left + width and top <= point[1] < top + height


def point_inside_not_under(target, cover, margin):
    """A point of the rectangle target, margin pixels in from its edges, that the rectangle cover
    leaves free."""
    left, top, width, height = target
    for y in range(top + margin, top + height - margin + 1, 5):
        for x in range(left + margin, left + width - margin + 1, 5):
            if not contains(cover, (x, y)):
                return x, y
    raise AssertionError('%r lies wholly under %r' % (target, cover))


def title_bar(main):
    """The title bar of a top-level window without its close button: the strip above the client
    area, less the frame."""
    left, top, width, height = main.screen
    frame = (width - main.client[0]) // 2
    caption = height - main.client[1] - 2 * frame
    return left + frame, top + frame, width - 2 * frame - caption, caption


class OtherProgram:
    """Wine's notepad, in the same virtual desktop, to switch to."""

    EXE = 'notepad.exe'

    def __init__(self):
        self.earlier = {w.pid for w in e2e.top_windows() if w.exe.lower() == self.EXE}
        self.process = subprocess.Popen([e2e.WINE64, self.EXE], stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)

    def window(self):
        return e2e.wait_until(
            lambda: next((w for w in e2e.top_windows()
                          if w.exe.lower() == self.EXE and w.pid not in self.earlier
                          and w.visible and w.window_class == 'Notepad'), None),
            'the notepad window')

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


class FocusMemoryTest(MainWindowCase):

    def test_focus_comes_back_to_its_control_after_switching(self):
        for name in ['编辑框1', '按钮3', '编辑框3']:
            with self.subTest(control=name):
                self.start_program()
                self.tab_to(name)
                other = OtherProgram()
                try:
                    self.switch_away_and_back(other.window())
                    self.wait_focus(name)
                finally:
                    other.kill()

    def switch_away_and_back(self, notepad):
        main = self.app.main_window()
        # A click on the other program activates it; a click on our title bar, us again.
        # Well inside notepad: a press on its frame would start sizing it.
        e2e.click_at(*point_inside_not_under(notepad.screen, main.screen, 60))
        e2e.wait_until(lambda: self.app.focus()['foreground'] == notepad.hwnd, 'notepad in front')
        self.assertNotEqual(self.app.focus()['active'], main.hwnd)
        e2e.click_at(*point_inside_not_under(title_bar(main), notepad.screen, 5))
        e2e.wait_until(lambda: self.app.focus()['foreground'] == main.hwnd,
                       'Varnelo in front again')


if __name__ == '__main__':
    unittest.main()
