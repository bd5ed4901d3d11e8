"""The fatal-error report, through the fault build of the program (Varnelo-faults.exe, built with
VARNELO_FAULTS): VARNELO_FAIL=window makes the window's creation fail, VARNELO_FAIL=drives the
binding of GetLogicalDriveStringsA."""

import os
import unittest

import varnelo_e2e as e2e

FAULTS_EXE = 'Varnelo-faults.exe'
# wine64 hands the low byte of the Windows exit code to the shell: -1 comes out as 255.
EXIT_AFTER_FATAL_ERROR = 255


def fatal_text(message):
    return e2e.TEXTS['kFatalPrefix'] + message + '\r\n'


def setUpModule():
    # One fixture drive, so that a search would have something to walk if the binding worked.
    folder = e2e.fixture_dir('fatal')
    e2e.make_file(os.path.join(folder, 'sub', 'present.txt'))
    e2e.map_drives(d=folder)


class FatalErrors(unittest.TestCase):
    def start(self, point):
        app = e2e.Program(e2e.VARNELO_FAULTS_EXE, FAULTS_EXE, {'VARNELO_FAIL': point})
        self.addCleanup(app.kill)
        return app

    def assert_fatal_box(self, box, message):
        self.assertEqual((box.caption, box.text, box.icon),
                         (e2e.TEXTS['kFatalCaption'], fatal_text(message), True))
        self.assertEqual([b.id for b in box.buttons], [1])  # OK alone

    def test_window_that_cannot_be_created(self):
        app = self.start('window')
        box = app.wait_message_box()
        self.assert_fatal_box(box, e2e.TEXTS['kWindowLoadFailed'])
        self.assertIsNone(app.main_window())
        box.press_ok()
        self.assertEqual(app.wait_exit(), EXIT_AFTER_FATAL_ERROR)

    def test_drive_list_that_cannot_be_bound(self):
        app = self.start('drives')
        app.wait_main_window()
        app.type_into('编辑框1', 'present.txt')
        app.click('按钮1')
        warning = app.wait_message_box()
        self.assertEqual(warning.text, e2e.TEXTS['kSearchWarning'])
        warning.press_ok()

        box = app.wait_message_box()
        e2e.screenshot('fatal-drives')
        self.assert_fatal_box(
            box, e2e.TEXTS['kMissingExport'] % ('kernel32.dll', 'GetLogicalDriveStringsA'))
        self.assertFalse(app.main_window().enabled, 'the window takes input under the report')
        box.press_ok()
        self.assertEqual(app.wait_exit(), EXIT_AFTER_FATAL_ERROR)

    def test_without_a_fault_the_fault_build_searches_as_usual(self):
        app = self.start('')
        app.wait_main_window()
        app.type_into('编辑框1', 'present.txt')
        app.click('按钮1')
        app.wait_message_box().press_ok()
        app.wait_idle()
        self.assertEqual(app.text('编辑框2'), 'D:\\sub\\present.txt')
        app.click_close_button()
        self.assertEqual(app.wait_exit(), 0)


if __name__ == '__main__':
    unittest.main()
