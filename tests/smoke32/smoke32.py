#!/usr/bin/env python3
"""Drives the shipped 32-bit Varnelo.exe as a user would, in the prefix that smoke32.sh prepared.

It reuses the end-to-end driver of tests/e2e: real X input from xdotool, windows read back by the
64-bit probe, which sees the 32-bit program's windows because both run in the same prefix. Under
qemu every step of the 32-bit program is slow, so each wait is for a condition, with a deadline of
minutes (VARNELO_E2E_DEADLINE, set by smoke32.sh).

Environment: WINEPREFIX, DISPLAY, BUILD_DIR, VARNELO_EXE (the 32-bit program), VARNELO_PROBE and
VARNELO_PROBE32 (the probe built for each width), WINE32 (the 32-bit Wine loader).
"""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'e2e'))
import varnelo_e2e as e2e  # noqa: E402
from test_file_actions import Picker  # noqa: E402

WINE32 = os.environ['WINE32']
PROBE32 = os.environ['VARNELO_PROBE32']
THROUGH_QEMU = os.environ.get('SMOKE32_THROUGH_QEMU') == '1'


def _tree_items_of_32_bit_tree(hwnd, read=e2e.tree_items):
    """A tree view's items read by the 32-bit probe: TVITEM and HTREEITEM have the width of the
    process that owns the tree, so the 64-bit probe cannot read the 32-bit picker's tree."""
    probe = e2e.PROBE
    e2e.PROBE = PROBE32
    try:
        return read(hwnd)
    finally:
        e2e.PROBE = probe


e2e.tree_items = _tree_items_of_32_bit_tree

START_DEADLINE = 900  # under qemu the window takes about a minute, far more on a busy machine
# The place of the window on the 1366 x 768 virtual desktop: ((1366 - 495) / 2, (768 - 288) / 2).
WINDOW_PLACE = (435, 240) + e2e.WINDOW_SIZE
TARGET = 'varnelo-smoke32.txt'
CONTENT = b'found on the second drive by the 32-bit program\r\n'


def lay_out_drives():
    """A: has folders and the destination but not the file; B: has it below its root. Both come
    before C: in the drive list, so the search never walks the prefix's Windows folder (slow
    under qemu); C: holds a decoy of the same name that the search must not reach."""
    first, second = e2e.fixture_dir('smoke32-a'), e2e.fixture_dir('smoke32-b')
    for folder in ('docs/old', 'music', 'dest'):
        os.makedirs(os.path.join(first, folder))
    os.makedirs(os.path.join(second, 'empty'))
    os.makedirs(os.path.join(second, 'nested', 'later'))
    source = e2e.make_file(os.path.join(second, 'nested', 'deeper', TARGET), CONTENT)
    e2e.make_file(os.path.join(os.environ['WINEPREFIX'], 'drive_c', 'smoke32-decoy', TARGET))
    e2e.map_drives(a=first, b=second)
    return first, source


def check_window(app):
    main = app.main_window()
    assert main.screen == WINDOW_PLACE, 'window at %s, expected %s' % (main.screen, WINDOW_PLACE)
    assert main.text == e2e.TEXTS['kWindowCaption'], 'caption %r' % main.text
    controls = app.controls()
    assert len(e2e.children(main.hwnd)) == len(e2e.CONTROLS), 'not ten child windows'
    for name, fact in e2e.CONTROLS.items():
        control = controls[name]
        assert control, '%s: no child window with id %d' % (name, fact.id)
        assert control.window_class.lower() == fact.window_class.lower(), \
            '%s: class %s' % (name, control.window_class)
        assert control.text == fact.text, '%s: text %r, expected %r' % (name, control.text, fact.text)
        assert control.visible and control.enabled, '%s: hidden or disabled' % name
        if name == '状态条1':
            continue  # it docks itself along the bottom edge
        place = (fact.left, fact.top, fact.width, fact.height)
        if name == '编辑框1':
            # A one-line box lower than its font needs is made taller when it is created.
            assert control.rect[:3] == place[:3] and control.rect[3] >= place[3], \
                '%s: at %s' % (name, control.rect)
        else:
            assert control.rect == place, '%s: at %s, expected %s' % (name, control.rect, place)
    print('  window at %s with its ten controls and texts' % (main.screen,))


def click(app, name):
    """Clicks a control once the probe has listed it: one probe run in a great many came back
    without the main window's children."""
    control = e2e.wait_until(lambda: app.control(name), 'the control %s' % name)
    e2e.click_at(*control.centre)


def expect_message(app, text):
    box = app.wait_message_box()
    assert (box.caption, box.text, box.icon) == (e2e.TEXTS['kMessageCaption'], text, False), \
        'message box %r %r icon=%s, expected %r' % (box.caption, box.text, box.icon, text)
    box.press_ok()


def search(app):
    app.type_into('编辑框1', TARGET)
    click(app, '按钮1')
    expect_message(app, e2e.TEXTS['kSearchWarning'])
    app.wait_idle()
    found = 'B:\\nested\\deeper\\' + TARGET
    app.wait_text('编辑框2', found)
    app.wait_text('状态条1', e2e.TEXTS['kFound'])
    print('  search found %s and says %s' % (found, e2e.TEXTS['kFound']))


def choose_destination(app):
    click(app, '按钮4')
    picker = Picker(app)
    if THROUGH_QEMU:
        # Wine reads another process's memory where qemu does not keep the emulated program's,
        # so the picker's tree cannot be read: it is cancelled, and the folder typed into 编辑框3
        # with WM_SETTEXT (Wine's picker has no edit field to type it into).
        picker.press_button(2)  # Cancel
        app.wait_idle()
        app.wait_text('编辑框3', '')
        e2e.set_text(app.control('编辑框3').hwnd, 'A:\\dest')
        app.wait_text('编辑框3', 'A:\\dest')
        print('  under qemu: folder picker cancelled, A:\\dest put into 编辑框3 with WM_SETTEXT')
        return
    picker.choose('A:', 'dest')
    picker.press_button(1)  # OK
    app.wait_idle()
    app.wait_text('编辑框3', 'A:\\dest')
    print('  folder picker chose A:\\dest')


def copy_and_delete(app, first, source):
    choose_destination(app)
    click(app, '按钮2')
    expect_message(app, e2e.TEXTS['kCopyDone'])
    copied = os.path.join(first, 'dest', TARGET)
    with open(copied, 'rb') as file:
        assert file.read() == CONTENT, 'the copy differs from its source'
    assert os.path.exists(source), 'the copy removed its source'
    print('  copy into A:\\dest made')
    click(app, '按钮3')
    expect_message(app, e2e.TEXTS['kDeleteDone'])
    assert not os.path.exists(source), 'the source is still there after the deletion'
    assert os.path.exists(copied), 'the deletion removed the copy'
    print('  source deleted')


def main():
    first, source = lay_out_drives()
    started = time.monotonic()
    app = e2e.Program(loader=WINE32)
    try:
        e2e.wait_until(app.main_window, 'the 32-bit main window', deadline=START_DEADLINE)
        print('  window shown after %.0f s' % (time.monotonic() - started))
        check_window(app)
        search(app)
        copy_and_delete(app, first, source)
        click(app, '编辑框1')
        e2e.wait_until(lambda: app.focused_control() == '编辑框1', '编辑框1 to take the focus')
        e2e.press('Escape')
        code = app.wait_exit()
        assert code == 0, 'exit code %d after Esc' % code
        print('  Esc closed the window, exit code 0')
    except BaseException:
        print('  screenshot: %s' % e2e.screenshot('smoke32-failure'))
        raise
    finally:
        app.kill()


if __name__ == '__main__':
    try:
        main()
    except AssertionError as failure:
        print('32-bit smoke test FAILED: %s' % failure)
        sys.exit(1)
