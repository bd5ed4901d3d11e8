"""Choosing a folder in the shell's picker, copying the found file into it and deleting the
source, as a user does: real clicks and keys, the results read back from the boxes, the message
boxes and the files on disk. D: is a fixture drive; C: is the prefix's own.

Wine's classic picker is driven through its tree: it starts at the desktop ("/" for the Unix root,
the recycle bin, the documents and "我的电脑"), the drives sit under "我的电脑" as " (D:)" and the
like, and there is no edit field to type a name into."""

import os
import unittest

import varnelo_e2e as e2e

CAPTION = e2e.TEXTS['kMessageCaption']
ERROR_FILE_NOT_FOUND = 2
OK, CANCEL = 1, 2


def lay_out_drive():
    root = e2e.fixture_dir('file-actions')
    e2e.make_file(os.path.join(root, 'dest', 'inner', 'keep.txt'))
    e2e.make_file(os.path.join(root, 'src', 'other.txt'))
    e2e.map_drives(d=root)
    return root


def setUpModule():
    global DRIVE
    DRIVE = lay_out_drive()


def listing(folder):
    """Every file below folder with its bytes."""
    found = {}
    for base, _, files in os.walk(folder):
        for name in files:
            with open(os.path.join(base, name), 'rb') as content:
                found[os.path.relpath(os.path.join(base, name), folder)] = content.read()
    return found


class Picker:
    """The folder picker that 按钮4 opens, driven through its tree with clicks and arrow keys."""

    def __init__(self, app):
        self.app = app
        self.dialog = e2e.wait_until(self.find, 'the folder picker')
        parts = e2e.children(self.dialog.hwnd)
        self.tree = next(w for w in parts if w.window_class == 'SysTreeView32')
        self.parts = parts

    def find(self):
        return next((w for w in self.app.windows()
                     if w.window_class == '#32770' and w.visible
                     and any(c.window_class == 'SysTreeView32'
                             for c in e2e.children(w.hwnd) or [])), None)

    def item(self, matches):
        return next((i for i in e2e.tree_items(self.tree.hwnd) if matches(i.text)), None)

    def select(self, what, matches):
        """Clicks the visible item whose text matches; waits until it is selected."""
        item = e2e.wait_until(lambda: self.item(matches), 'the item %s in the picker' % what)
        e2e.click_at(*item.centre)
        e2e.wait_until(lambda: self.item(matches).selected, '%s selected' % what)

    def open_branch(self, what, matches):
        """Opens the selected item's branch with the Right key, as a keyboard user does."""
        e2e.press('Right')
        e2e.wait_until(lambda: self.item(matches).expanded, '%s opened' % what)

    def choose(self, drive, *folders):
        """Selects "我的电脑", the drive and the folders below it, in turn."""
        steps = [('我的电脑', lambda text: text == '我的电脑')]
        if drive:
            steps.append((drive, lambda text: text.endswith('(%s)' % drive)))
        steps += [(name, lambda text, name=name: text == name) for name in folders]
        for index, (what, matches) in enumerate(steps):
            self.select(what, matches)
            if index + 1 < len(steps):
                self.open_branch(what, matches)

    def press_button(self, button_id):
        button = next(w for w in self.parts if w.id == button_id)
        e2e.click_at(*button.centre)
        e2e.wait_until(lambda: self.find() is None, 'the picker to close')


class ActionCase(e2e.FreshProgramCase):

    def open_picker(self):
        self.app.click('按钮4')
        return Picker(self.app)

    def wait_main_window_enabled(self):
        return e2e.wait_until(
            lambda: (lambda w: w if w.enabled else None)(self.app.main_window()),
            'the main window enabled again')

    def assert_main_window_back(self):
        main = self.wait_main_window_enabled()
        e2e.wait_until(lambda: self.app.focus()['active'] == main.hwnd, 'the main window active')
        self.assertEqual(self.app.focus()['foreground'], main.hwnd)

    def click_and_read_box(self, button):
        self.app.click(button)
        box = self.app.wait_message_box()
        self.assertEqual(box.caption, CAPTION)
        self.assertEqual([b.id for b in box.buttons], [OK])
        return box


class PickerTest(ActionCase):

    def test_cancel_empties_the_destination_box(self):
        self.app.type_into('编辑框3', 'D:\\earlier')
        picker = self.open_picker()
        self.assertFalse(self.app.main_window().enabled, 'the window takes input under the picker')
        title = [w.text for w in picker.parts if w.window_class == 'Static' and w.visible]
        self.assertIn(e2e.TEXTS['kPickerTitle'], title)
        picker.choose('D:', 'dest')
        picker.press_button(CANCEL)
        self.app.wait_text('编辑框3', '')
        self.assert_main_window_back()

    def test_choosing_gives_the_folder_path(self):
        # folders clicked below "我的电脑" -> the destination box
        cases = [(('D:', 'dest'), 'D:\\dest'),
                 (('D:', 'dest', 'inner'), 'D:\\dest\\inner'),
                 (('D:',), 'D:\\'),
                 (('C:',), 'C:\\'),
                 ((None,), '')]  # "我的电脑" itself is no folder of the file system
        for path, expected in cases:
            with self.subTest(path=path):
                self.app.type_into('编辑框3', 'D:\\earlier')
                picker = self.open_picker()
                self.assertFalse(self.app.main_window().enabled)
                picker.choose(*path)
                picker.press_button(OK)
                self.app.wait_text('编辑框3', expected)
                self.assert_main_window_back()


class WholeRoadTest(ActionCase):

    def test_search_choose_copy_delete(self):
        content = b'the file that the user moves'
        source = e2e.make_file(os.path.join(DRIVE, 'src', 'deep', 'road-file.txt'), content)
        self.addCleanup(lambda: os.path.exists(source) and os.remove(source))
        copy = os.path.join(DRIVE, 'dest', 'road-file.txt')
        self.addCleanup(lambda: os.path.exists(copy) and os.remove(copy))
        app = self.app

        app.type_into('编辑框1', 'road-file.txt')
        app.click('按钮1')
        app.wait_message_box().press_ok()
        app.wait_idle()
        app.wait_text('编辑框2', 'D:\\src\\deep\\road-file.txt')

        picker = self.open_picker()
        picker.choose('D:', 'dest')
        picker.press_button(OK)
        app.wait_text('编辑框3', 'D:\\dest')
        self.assert_main_window_back()

        box = self.click_and_read_box('按钮2')
        self.assertEqual((box.text, box.icon), (e2e.TEXTS['kCopyDone'], False))
        box.press_ok()
        with open(copy, 'rb') as copied:
            self.assertEqual(copied.read(), content)
        self.assertTrue(os.path.exists(source), 'copying moved the source')

        box = self.click_and_read_box('按钮3')
        self.assertEqual((box.text, box.icon), (e2e.TEXTS['kDeleteDone'], False))
        box.press_ok()
        self.assertFalse(os.path.exists(source), 'the source is still there')
        self.assertTrue(os.path.exists(copy), 'the copy went with the source')
        self.assertEqual(app.text('编辑框2'), 'D:\\src\\deep\\road-file.txt')


class ErrorBoxTest(ActionCase):

    def test_failures_are_reported_with_the_reason(self):
        missing = 'D:\\src\\missing.txt'
        reason = e2e.error_text(ERROR_FILE_NOT_FOUND).rstrip('\r\n')
        self.assertTrue(reason)
        # button, results box, destination box -> the box's text
        cases = [('按钮2', '', 'D:\\dest', e2e.TEXTS['kCopyNothing']),
                 ('按钮3', '', 'D:\\dest', e2e.TEXTS['kDeleteNothing']),
                 ('按钮2', missing, 'D:\\dest', e2e.TEXTS['kCopyFailed'] + '\r\n' + reason),
                 ('按钮3', missing, 'D:\\dest', e2e.TEXTS['kDeleteFailed'] + '\r\n' + reason)]
        for button, results, destination, expected in cases:
            with self.subTest(button=button, results=results):
                self.start_program()
                before = listing(DRIVE)
                e2e.set_text(self.app.control('编辑框2').hwnd, results)
                e2e.set_text(self.app.control('编辑框3').hwnd, destination)
                box = self.click_and_read_box(button)
                self.assertEqual((box.text, box.icon), (expected, True))
                box.press_ok()
                self.assertEqual(listing(DRIVE), before)
                self.assertEqual(self.app.text('编辑框2'), results)
                self.wait_main_window_enabled()


if __name__ == '__main__':
    unittest.main()
