"""Drives the real Varnelo.exe under Wine as a user would, for the end-to-end tests.

Usage, inside the test session of `make test` (it exports WINEPREFIX, DISPLAY and BUILD_DIR;
CTest adds VARNELO_EXE, VARNELO_FAULTS_EXE and VARNELO_PROBE, see varnelo_e2e_test() in
CMakeLists.txt, which registers a unittest module of this folder as a CTest test):

    import varnelo_e2e as e2e

    folder = e2e.fixture_dir('mine')         # fresh $BUILD_DIR/fixtures/e2e/mine
    e2e.map_drives(d=folder)                 # fixture letters (C: stays, Z: goes); restarts Wine
    app = e2e.Program.session()              # C:\\Varnelo\\Varnelo.exe, one per Python process
    app.type_into('编辑框1', 'name.txt')     # real click into the box, clear it, type, read back
    app.click('按钮1')                       # real click at the control's centre
    box = app.wait_message_box()             # .caption .text .icon .buttons (texts are str)
    box.press_ok()                           # clicks OK and waits until the box is gone
    app.wait_idle()                          # the window answers messages again (search over)
    app.text('状态条1') == e2e.TEXTS['kFound']
    app.focused_control()                    # name of the control that has the focus, or None
    app.handle_count()                       # handles the program holds now
    app.click_close_button(); app.wait_exit() == 0
    e2e.screenshot('name', crop=rect)        # $BUILD_DIR/artifacts/name.png

Controls go by the names of ui/Controls.h; their ids, classes, texts and places are read from
app/ControlTable.{h,cpp} and ui/Texts.h (CONTROLS, TEXTS), so the tests copy none of them.
Lower level: probe(...) runs tests/e2e/probe.cpp's subcommands, top_windows(), children(hwnd),
click_at(x, y), press(*keys), type_text(text), drag(start, end) (xdotool; Chinese text types too);
selection(hwnd), tree_items(hwnd) and error_text(code) read what the keyboard and mouse did.
Every wait polls until a deadline (wait_until, DEADLINE seconds); nothing sleeps a fixed time.
A window's thread answers the probe only while it takes messages: during a search, reading a
control's text waits, and the probe says so (text None, NotAnswered).
"""

import atexit
import ctypes
import ctypes.util
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest
from dataclasses import dataclass, field

WINE64 = '/usr/lib/wine/wine64'
WINESERVER = '/usr/lib/wine/wineserver'
# Seconds; Wine on a busy shared machine can be slow, and the 32-bit program under qemu slower
# still (tests/smoke32 raises it through VARNELO_E2E_DEADLINE).
DEADLINE = float(os.environ.get('VARNELO_E2E_DEADLINE', '60'))
SOURCE_DIR = os.environ.get('VARNELO_SOURCE_DIR') or os.path.abspath(
    os.path.join(os.path.dirname(__file__), '..', '..'))
BUILD_DIR = os.environ.get('BUILD_DIR', '')
PROBE = os.environ.get('VARNELO_PROBE', '')
VARNELO_EXE = os.environ.get('VARNELO_EXE', '')
VARNELO_FAULTS_EXE = os.environ.get('VARNELO_FAULTS_EXE', '')
MAIN_WINDOW_CLASS = 'VarneloMainWindow'
INSTALL_FOLDER = 'Varnelo'  # below the prefix's drive_c, so the program runs from C:\Varnelo


class NotAnswered(Exception):
    """The window's thread did not answer the probe in time (it is busy)."""


# ----------------------------------------------------------------------------------------------
# Facts read from the program's own sources.

def _read_source(relative):
    with open(os.path.join(SOURCE_DIR, relative), encoding='utf-8') as source:
        return source.read()


def _unescape(literal):
    escapes = {'r': '\r', 'n': '\n', 't': '\t', '\\': '\\', '"': '"'}
    return re.sub(r'\\(.)', lambda m: escapes[m.group(1)], literal)


def _read_texts():
    found = re.findall(r'inline constexpr char (\w+)\[\] = "((?:[^"\\]|\\.)*)";',
                       _read_source('ui/Texts.h'))
    return {name: _unescape(value) for name, value in found}


TEXTS = _read_texts()


@dataclass(frozen=True)
class ControlFact:
    name: str
    id: int
    window_class: str  # as the table passes it to CreateWindowEx
    text: str
    left: int
    top: int
    width: int
    height: int


def _read_controls():
    enum = re.search(r'enum class Control \{(.*?)\};', _read_source('ui/Controls.h'), re.S)
    names = [n.strip() for n in enum.group(1).split(',') if n.strip() and n.strip() != 'Count']
    header = _read_source('app/ControlTable.h')
    id_base = int(re.search(r'return (\d+) \+ static_cast<int>\(control\);', header).group(1))
    rows = re.findall(
        r'\{Control::(\S+?), ("[^"]*"|STATUSCLASSNAMEA), (texts::\w+|""), \w+, [\w|]+, '
        r'(-?\d+), (-?\d+), (-?\d+), (-?\d+)\}', _read_source('app/ControlTable.cpp'))
    classes = {'STATUSCLASSNAMEA': 'msctls_statusbar32'}
    controls = {}
    for name, window_class, text, left, top, width, height in rows:
        controls[name] = ControlFact(
            name, id_base + names.index(name), classes.get(window_class, window_class.strip('"')),
            TEXTS[text[len('texts::'):]] if text.startswith('texts::') else '',
            int(left), int(top), int(width), int(height))
    if sorted(controls) != sorted(names):
        raise RuntimeError('app/ControlTable.cpp did not parse: %s' % sorted(controls))
    return controls


CONTROLS = _read_controls()


def _read_window_size():
    header = _read_source('app/ControlTable.h')
    return tuple(int(re.search(r'kWindow%s = (\d+);' % what, header).group(1))
                 for what in ('Width', 'Height'))


WINDOW_SIZE = _read_window_size()

# ----------------------------------------------------------------------------------------------
# Waiting.


def wait_until(condition, what, deadline=DEADLINE, interval=0.1):
    """Polls condition() until it gives a true value, which it returns; fails after deadline.
    NotAnswered from the condition counts as "not yet"."""
    end = time.monotonic() + deadline
    last = None
    while True:
        try:
            last = condition()
            if last:
                return last
        except NotAnswered as busy:
            last = busy
        if time.monotonic() > end:
            raise AssertionError('timed out after %.0f s waiting for %s (last: %r)'
                                 % (deadline, what, last))
        time.sleep(interval)


# ----------------------------------------------------------------------------------------------
# The probe.

def probe(*arguments, timeout=DEADLINE / 2):
    """Runs one probe subcommand; gives (exit status, output lines)."""
    # A file, not a pipe: the first Wine process of a session starts Wine's own background
    # programs, which inherit the output handles and would hold a pipe open.
    # Now and then (about one start in a few hundred, more under load) Wine fails to start a
    # process and ends with 1 without a word; the probe never answers 1 itself, so it runs again.
    for _ in range(3):
        with tempfile.TemporaryFile() as output:
            done = subprocess.run([WINE64, PROBE, *arguments], stdout=output,
                                  stderr=subprocess.DEVNULL, timeout=timeout)
            output.seek(0)
            lines = output.read().decode('ascii', 'replace').splitlines()
        if done.returncode != 1 or lines:
            break
    return done.returncode, lines


def _decode(hex_text):
    if hex_text == '-':
        return None
    return bytes.fromhex(hex_text).decode('gb18030')


def _rectangle(value):
    return tuple(int(part) for part in value.split(','))


@dataclass
class Window:
    hwnd: str
    pid: int
    tid: int
    exe: str
    id: int
    window_class: str
    style: int
    exstyle: int
    visible: bool
    enabled: bool
    rect: tuple  # left, top, width, height relative to the parent's client area (screen if top)
    screen: tuple  # outer rectangle on the screen
    client: tuple  # width, height of the client area
    text: str  # None when the window's thread did not answer

    @property
    def centre(self):
        left, top, width, height = self.screen
        return left + width // 2, top + height // 2


def parse_window(line):
    fields = dict(part.split('=', 1) for part in line.split(' '))
    return Window(fields['hwnd'], int(fields['pid']), int(fields['tid']), fields.get('exe', ''),
                  int(fields['id']), fields['class'], int(fields['style'], 16),
                  int(fields['exstyle'], 16), fields['visible'] == '1', fields['enabled'] == '1',
                  _rectangle(fields['rect']), _rectangle(fields['screen']),
                  _rectangle(fields['client']), _decode(fields['text']))


def top_windows():
    """Every top-level window. A window of a program killed a moment ago can vanish while it is
    listed and make the listing fail; the listing only reads, so it is taken again."""
    def listing():
        status, lines = probe('top')
        if status:
            raise NotAnswered('probe top failed: %d' % status)
        return ([parse_window(line) for line in lines],)  # true even when empty
    return wait_until(listing, 'a listing of the top-level windows')[0]


def children(hwnd):
    """The direct children of a window; NotAnswered when its thread is busy."""
    status, lines = probe('children', hwnd)
    if status == 3:
        raise NotAnswered(hwnd)
    if status:
        return None
    return [parse_window(line) for line in lines]


def window(hwnd):
    """One window as it is now, or None when it is gone; NotAnswered when its thread is busy."""
    status, lines = probe('window', hwnd)
    if status == 3:
        raise NotAnswered(hwnd)
    return parse_window(lines[0]) if status == 0 and lines else None


def set_text(hwnd, text):
    """WM_SETTEXT from outside, for text that a keyboard cannot type."""
    status, _ = probe('settext', hwnd, text.encode('gb18030').hex())
    if status:
        raise RuntimeError('probe settext failed: %d' % status)


@dataclass
class MessageBox:
    hwnd: str
    caption: str
    text: str
    icon: bool
    buttons: list = field(default_factory=list)  # Window of each visible button

    def button(self, text):
        return next(b for b in self.buttons if b.text == text)

    def gone(self):
        return window(self.hwnd) is None

    def press_ok(self):
        """Clicks the box's only button (OK) and waits until the box is gone."""
        click_at(*self.buttons[0].centre)
        wait_until(self.gone, 'the message box to close')

    def press_return(self):
        press('Return')
        wait_until(self.gone, 'the message box to close on Return')


def message_box_of(exe):
    """The visible message box that the program file named exe shows, or None."""
    status, lines = probe('msgbox', exe)
    if status == 3:
        raise NotAnswered(exe)
    if status or not lines:
        return None
    head = dict(part.split('=', 1) for part in lines[0].split(' '))
    return MessageBox(head['dialog'], _decode(head['caption']), _decode(head['text']),
                      head['icon'] == '1', [parse_window(line) for line in lines[1:]])


def selection(hwnd):
    """(start, end) of an edit box's selection."""
    status, lines = probe('selection', hwnd)
    if status:
        raise NotAnswered(hwnd)
    fields = dict(part.split('=', 1) for part in lines[0].split(' '))
    return int(fields['start']), int(fields['end'])


@dataclass
class TreeItem:
    item: str
    selected: bool
    expanded: bool
    screen: tuple  # the item's text on the screen; all zero while scrolled out of view
    text: str

    @property
    def centre(self):
        left, top, width, height = self.screen
        return left + width // 2, top + height // 2


def tree_items(hwnd):
    """The items of a tree view in display order, those inside collapsed branches left out."""
    status, lines = probe('treeitems', hwnd)
    if status:
        raise NotAnswered(hwnd)
    items = []
    for line in lines:
        fields = dict(part.split('=', 1) for part in line.split(' '))
        items.append(TreeItem(fields['item'], fields['selected'] == '1',
                              fields['expanded'] == '1', _rectangle(fields['screen']),
                              _decode(fields['text'])))
    return items


def handle_count(pid):
    """How many handles the Windows process pid holds, from the system's handle table."""
    status, lines = probe('handles', str(pid))
    if status or not lines:
        raise RuntimeError('probe handles failed: %d' % status)
    return int(lines[0].split('=', 1)[1])


def error_text(code):
    """The system's text for a Windows error code, as FormatMessageA gives it."""
    status, lines = probe('errortext', str(code))
    if status:
        raise RuntimeError('probe errortext failed: %d' % status)
    return _decode(lines[0])


# ----------------------------------------------------------------------------------------------
# Real input: xdotool on the Xvfb display. The Wine virtual desktop covers the X screen from
# (0, 0), so the probe's screen coordinates are X coordinates.

def _xdotool(*arguments):
    subprocess.run(['xdotool', *arguments], check=True, timeout=60)


def click_at(x, y):
    _xdotool('mousemove', '--sync', str(x), str(y), 'click', '1')


def press(*keys):
    _xdotool('key', '--delay', '30', *keys)


def type_text(text):
    _xdotool('type', '--delay', '25', '--', text)


def bind_keys(text):
    """Gives every non-ASCII character of text a key of its own in the X keyboard map, for good.
    xdotool would otherwise remap a spare key just for the moment of each keystroke, and Wine,
    which reads the map only after the change is announced, now and then finds it gone and loses
    the character."""
    x11 = ctypes.CDLL(ctypes.util.find_library('X11') or 'libX11.so.6')
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDisplayKeycodes.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                     ctypes.POINTER(ctypes.c_int)]
    x11.XGetKeyboardMapping.restype = ctypes.POINTER(ctypes.c_ulong)
    x11.XGetKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_ubyte, ctypes.c_int,
                                        ctypes.POINTER(ctypes.c_int)]
    x11.XChangeKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                           ctypes.POINTER(ctypes.c_ulong), ctypes.c_int]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XFree.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    if not display:
        raise RuntimeError('cannot open the X display %r' % os.environ.get('DISPLAY'))
    try:
        low, high, per_key = ctypes.c_int(), ctypes.c_int(), ctypes.c_int()
        x11.XDisplayKeycodes(display, ctypes.byref(low), ctypes.byref(high))
        count = high.value - low.value + 1
        table = x11.XGetKeyboardMapping(display, low.value, count, ctypes.byref(per_key))
        width = per_key.value
        rows = [table[i * width:(i + 1) * width] for i in range(count)]
        x11.XFree(table)
        bound = {symbol for row in rows for symbol in row}
        spare = [low.value + i for i, row in enumerate(rows) if not any(row)]
        # X's keysym of a Unicode character beyond Latin-1 is 0x01000000 plus its code point.
        wanted = sorted({0x01000000 + ord(c) for c in text if ord(c) > 0xff} - bound)
        if len(wanted) > len(spare):
            raise RuntimeError('no spare keys left for %d characters' % len(wanted))
        for symbol, keycode in zip(wanted, spare):
            row = (ctypes.c_ulong * width)(*([symbol] * width))
            x11.XChangeKeyboardMapping(display, keycode, width, row, 1)
        x11.XSync(display, 0)
    finally:
        x11.XCloseDisplay(display)


def _typing_pieces(text):
    """Runs of ASCII characters, and every other character alone."""
    return re.findall(r'[\x00-\x7f]+|[^\x00-\x7f]', text)


def drag(start, end, steps=8):
    """Presses the left button at start, moves to end in steps as a hand would, and lets go."""
    _xdotool('mousemove', '--sync', str(start[0]), str(start[1]), 'mousedown', '1')
    for step in range(1, steps + 1):
        _xdotool('mousemove', '--sync', str(start[0] + (end[0] - start[0]) * step // steps),
                 str(start[1] + (end[1] - start[1]) * step // steps))
    _xdotool('mouseup', '1')


# ----------------------------------------------------------------------------------------------
# Files, drives and pictures.

def fixture_dir(name):
    """A fresh, empty folder $BUILD_DIR/fixtures/e2e/<name>."""
    folder = os.path.join(BUILD_DIR, 'fixtures', 'e2e', name)
    if os.path.isdir(folder):
        for root, dirs, _ in os.walk(folder):
            for directory in dirs:
                os.chmod(os.path.join(root, directory), 0o755)
        shutil.rmtree(folder)
    os.makedirs(folder)
    return folder


def make_file(path, content=b'varnelo'):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as created:
        created.write(content)
    return path


def map_drives(**letters):
    """Points drive letters at folders: map_drives(d=folder, e=other). Every other letter but C:
    is removed; GetLogicalDriveStrings lists C: and these letters in alphabetical order.

    Wine's mount manager reads the letters once, when Wine's background programs start, so this
    restarts Wine in the prefix (the session's persistent wineserver included): every Wine
    program running in it ends. Call it before starting the program."""
    if Program._session is not None:
        Program._session.kill()
        Program._session = None
    subprocess.run([os.path.join(SOURCE_DIR, 'tests', 'harness', 'map-drives.sh'),
                    *('%s=%s' % (letter, folder) for letter, folder in letters.items())],
                   check=True)
    restart_wine()


def restart_wine():
    """Ends every Wine process of the prefix and starts a persistent wineserver again."""
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run([WINESERVER, '-k'], timeout=120, **quiet)
    subprocess.run([WINESERVER, '-w'], timeout=120, **quiet)
    # Started as the test session starts it: without root's file-permission override, when the
    # system lets us drop it.
    dropped = subprocess.run(['setpriv', '--bounding-set=-dac_override,-dac_read_search',
                              WINESERVER, '-p'], timeout=120, **quiet)
    if dropped.returncode:
        subprocess.run([WINESERVER, '-p'], timeout=120, check=True, **quiet)


def screenshot(name, crop=None):
    """Saves the screen, or the rectangle crop (left, top, width, height) of it, as
    $BUILD_DIR/artifacts/<name>.png; gives the path."""
    folder = os.path.join(BUILD_DIR, 'artifacts')
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, name + '.png')
    area = []
    if crop:
        area = ['-crop', '%dx%d+%d+%d' % (crop[2], crop[3], crop[0], crop[1]), '+repage']
    subprocess.run(['import', '-window', 'root', *area, path], check=True, timeout=60)
    return path


# ----------------------------------------------------------------------------------------------
# The program.

def _windows_pids(exe):
    return {w.pid for w in top_windows() if w.exe.lower() == exe.lower()}


class Program:
    """One run of a Varnelo program file under Wine, copied to C:\\Varnelo\\<name>."""

    _session = None

    def __init__(self, source=None, name='Varnelo.exe', environment=None, loader=WINE64):
        source = source or VARNELO_EXE
        self.exe = name
        folder = os.path.join(os.environ['WINEPREFIX'], 'drive_c', INSTALL_FOLDER)
        os.makedirs(folder, exist_ok=True)
        shutil.copyfile(source, os.path.join(folder, name))
        self._earlier_pids = _windows_pids(name)
        env = dict(os.environ)
        env.update(environment or {})
        self.process = subprocess.Popen([loader, 'C:\\%s\\%s' % (INSTALL_FOLDER, name)], env=env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.pid = None  # the Windows process id, known once it shows a window
        atexit.register(self.kill)

    @classmethod
    def session(cls):
        """The running Varnelo.exe of this Python process, started (and its window awaited) the
        first time and again after it has ended."""
        if cls._session is None or cls._session.process.poll() is not None:
            cls._session = Program()
            cls._session.wait_main_window()
        return cls._session

    def windows(self):
        """The top-level windows of this process."""
        mine = [w for w in top_windows() if w.exe.lower() == self.exe.lower()]
        if self.pid is None:
            fresh = {w.pid for w in mine} - self._earlier_pids
            if len(fresh) == 1:
                self.pid = fresh.pop()
        return [w for w in mine if w.pid == self.pid]

    def main_window(self):
        return next((w for w in self.windows()
                     if w.window_class == MAIN_WINDOW_CLASS and w.visible), None)

    def wait_main_window(self):
        return wait_until(self.main_window, 'the main window of %s' % self.exe)

    def hwnd(self):
        return wait_until(self.main_window, 'the main window').hwnd

    def controls(self):
        """Name -> Window of each child of the main window; NotAnswered when busy."""
        by_id = {w.id: w for w in children(self.hwnd()) or []}
        return {name: by_id.get(fact.id) for name, fact in CONTROLS.items()}

    def control(self, name):
        return self.controls()[name]

    def text(self, name):
        text = self.control(name).text
        if text is None:
            raise NotAnswered(name)
        return text

    def wait_text(self, name, expected, deadline=DEADLINE):
        seen = []

        def reads_expected():
            seen[:] = [self.text(name)]
            return seen[0] == expected
        try:
            wait_until(reads_expected, '%s to read %r' % (name, expected), deadline)
        except AssertionError as late:
            raise AssertionError('%s (it read %r)' % (late, seen[0] if seen else None))

    def wait_idle(self):
        """Until the main window takes messages again (a search has ended), and is enabled."""
        def answers():
            main = self.main_window()
            return main and main.enabled and self.controls()['状态条1'].text is not None
        wait_until(answers, 'the main window to answer again')

    def click(self, name):
        click_at(*self.control(name).centre)

    def type_into(self, name, text):
        """Clicks into an edit box, clears it with the keyboard and types text."""
        self.click(name)
        wait_until(lambda: self.focused_control() == name, '%s to take the focus' % name)
        press('ctrl+End', 'ctrl+shift+Home', 'BackSpace')
        self.wait_text(name, '')
        bind_keys(text)
        typed = ''
        for piece in _typing_pieces(text):
            self._type_piece(name, typed, piece)
            typed += piece

    def _type_piece(self, name, typed, piece):
        # A keystroke that Wine lost while it re-read a changed keyboard map leaves the box as it
        # was: that piece is typed again. Anything else that goes wrong fails.
        for _ in range(5):
            type_text(piece)
            try:
                self.wait_text(name, typed + piece, deadline=10)
                return
            except AssertionError:
                if self.text(name) != typed:
                    raise
        raise AssertionError('%r never arrived in %s' % (piece, name))

    def handle_count(self):
        self.wait_main_window()  # the Windows process id is known from its window
        return handle_count(self.pid)

    def focus(self):
        """The thread's active and focus windows and the foreground window, as hwnd strings."""
        status, lines = probe('focus', self.hwnd())
        if status:
            raise NotAnswered('focus')
        return dict(part.split('=', 1) for part in lines[0].split(' '))

    def focused_control(self):
        focus = self.focus()['focus']
        return next((name for name, w in self.controls().items() if w and w.hwnd == focus), None)

    def message_box(self):
        box = message_box_of(self.exe)
        if box and self.pid is not None:
            owner = window(box.hwnd)
            if owner is None or owner.pid != self.pid:
                return None
        return box

    def wait_message_box(self):
        return wait_until(self.message_box, 'a message box of %s' % self.exe)

    def click_close_button(self):
        status, lines = probe('closebutton', self.hwnd())
        if status:
            raise RuntimeError('probe closebutton failed: %d' % status)
        left, top, width, height = _rectangle(lines[0])
        click_at(left + width // 2, top + height // 2)

    def wait_exit(self, deadline=DEADLINE):
        """The exit status that wine64 reports for the program (an exit code of -1 is 255)."""
        try:
            return self.process.wait(timeout=deadline)
        except subprocess.TimeoutExpired:
            raise AssertionError('%s did not end within %.0f s' % (self.exe, deadline))

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


class FreshProgramCase(unittest.TestCase):
    """A test case that starts a fresh program before every test; start_program() gives another
    one in the middle of a test (a subtest that needs the state at start)."""

    def setUp(self):
        self.start_program()

    def start_program(self):
        if getattr(self, 'app', None):
            self.app.kill()
        self.app = Program()
        self.addCleanup(self.app.kill)
        self.app.wait_main_window()
