#!/usr/bin/env python3
"""Drives the shipped 32-bit Varnelo.exe as a user would, in the prefix that smoke32.sh prepared.

Real X input (xdotool) for clicks, typing and keys; the 64-bit probe reads the windows back, since
both run in the same prefix and see the same window list. Under qemu every step of the 32-bit
program is slow, so each wait is for a condition, with a deadline of minutes.

Environment: WINEPREFIX, DISPLAY, WINE32, WINE64, SMOKE32_STATE, VARNELO_SOURCE_DIR; the program
and the probe are in C:\\Varnelo of the prefix.
"""
import os
import re
import shutil
import subprocess
import sys
import time

SOURCE = os.environ["VARNELO_SOURCE_DIR"]
PREFIX = os.environ["WINEPREFIX"]
STATE = os.environ["SMOKE32_STATE"]
WINE32 = os.environ["WINE32"]
WINE64 = os.environ["WINE64"]
PROGRAM = r"C:\Varnelo\Varnelo.exe"
PROBE = r"C:\Varnelo\probe.exe"
EXE = "Varnelo.exe"

START_DEADLINE = 900  # seconds; under qemu the window takes about a minute, more on a busy machine
STEP_DEADLINE = 300
ENCODING = "gb18030"  # the program's narrow texts are code page 936 bytes

# The place of the window on the 1366 x 768 virtual desktop: (1366 - 495) / 2, (768 - 288) / 2.
WINDOW_RECT = (435, 240, 495, 288)
TARGET = "varnelo-smoke32.txt"
CONTENT = b"found on the second drive by the 32-bit program\r\n"


def read_texts():
    """The program's own texts from ui/Texts.h, by constant name."""
    with open(os.path.join(SOURCE, "ui", "Texts.h"), encoding="utf-8") as file:
        source = file.read()
    texts = {}
    for name, literal in re.findall(r'constexpr char (\w+)\[\] = "((?:[^"\\]|\\.)*)";', source):
        texts[name] = literal.replace("\\r", "\r").replace("\\n", "\n").replace('\\"', '"')
    return texts


def read_controls(texts):
    """(name, class, text, left, top, width, height) per control from app/ControlTable.cpp,
    in table order, which gives the identifiers (100 + index)."""
    with open(os.path.join(SOURCE, "app", "ControlTable.cpp"), encoding="utf-8") as file:
        source = file.read()
    rows = re.findall(r'\{Control::(\w+), ("\w+"|STATUSCLASSNAMEA), (texts::\w+|""), [^,]+, [^,]+, '
                      r'(-?\d+), (-?\d+), (\d+), (\d+)\}', source)
    controls = []
    for name, kind, text, *place in rows:
        kind = "msctls_statusbar32" if kind == "STATUSCLASSNAMEA" else kind.strip('"')
        text = texts[text[len("texts::"):]] if text.startswith("texts::") else ""
        controls.append((name, kind, text, *map(int, place)))
    assert len(controls) == 10, f"read {len(controls)} controls from ControlTable.cpp"
    return controls


TEXTS = read_texts()
CONTROLS = read_controls(TEXTS)


def text_of(window):
    return bytes.fromhex(window["text"]).decode(ENCODING, errors="replace")


def numbers(field):
    return tuple(int(value) for value in field.split(","))


def probe(*args):
    """The probe's window lines as dicts; None when the probe reports an error."""
    run = subprocess.run([WINE64, PROBE, *args], capture_output=True, text=True, timeout=120)
    if run.returncode != 0:
        return None
    lines = []
    for line in run.stdout.splitlines():
        lines.append(dict(field.split("=", 1) for field in line.split() if "=" in field))
    return lines


def wait_for(what, condition, deadline=STEP_DEADLINE):
    """Polls condition until it gives a true value, which it returns; fails after the deadline."""
    end = time.monotonic() + deadline
    last = None
    while time.monotonic() < end:
        last = condition()
        if last:
            return last
        time.sleep(0.25)
    screenshot(what)
    raise AssertionError(f"no {what} within {deadline} s")


def screenshot(name):
    folder = os.path.join(os.path.dirname(STATE), "artifacts")
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "smoke32-" + re.sub(r"\W+", "-", name).strip("-") + ".png")
    subprocess.run(["import", "-window", "root", path], capture_output=True)
    print(f"  screenshot: {path}")


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True)


def click(window):
    """A left click in the middle of a window, at its place on the screen."""
    left, top, width, height = numbers(window["screen"])
    xdotool("mousemove", str(left + width // 2), str(top + height // 2), "click", "1")


def main_window():
    for window in probe("top") or []:
        if (window.get("exe", "").lower() == EXE.lower() and window["class"] != "#32770"
                and window["visible"] == "1" and text_of(window) == TEXTS["kWindowCaption"]):
            return window
    return None


def children(window):
    return {int(child["id"]): child for child in probe("children", window["hwnd"]) or []}


def control(window, name):
    index = [row[0] for row in CONTROLS].index(name)
    return children(window).get(100 + index)


def message_box():
    lines = probe("msgbox", EXE)
    if not lines:
        return None
    box = lines[0]
    box["buttons"] = lines[1:]
    return box


def close_message_box(expected, icon):
    """Waits for the box with the expected text, checks it, and presses its OK button."""
    box = wait_for(f"message box {expected!r}", message_box)
    assert text_of({"text": box["text"]}) == expected, \
        f"message box says {text_of({'text': box['text']})!r}, expected {expected!r}"
    assert text_of({"text": box["caption"]}) == TEXTS["kMessageCaption"], "message box caption"
    assert box["icon"] == str(int(icon)), f"message box icon {box['icon']}, expected {int(icon)}"
    ok = [button for button in box["buttons"] if button["id"] == "1"]
    assert len(box["buttons"]) == 1 and ok, f"message box buttons {box['buttons']}"
    click(ok[0])
    wait_for("the message box to close", lambda: message_box() is None)


def check_window(window):
    assert numbers(window["screen"]) == WINDOW_RECT, \
        f"window at {window['screen']}, expected {WINDOW_RECT}"
    found = children(window)
    assert len(found) == len(CONTROLS), f"{len(found)} child windows, expected {len(CONTROLS)}"
    for index, (name, kind, text, left, top, width, height) in enumerate(CONTROLS):
        child = found.get(100 + index)
        assert child, f"{name}: no child window with id {100 + index}"
        assert child["class"].lower() == kind.lower(), f"{name}: class {child['class']}"
        assert text_of(child) == text, f"{name}: text {text_of(child)!r}, expected {text!r}"
        assert child["visible"] == "1" and child["enabled"] == "1", f"{name}: hidden or disabled"
        if kind == "msctls_statusbar32":
            continue  # it docks itself along the bottom edge
        place = numbers(child["rect"])
        # A one-line edit box lower than its font needs is made taller when it is created.
        if name == "编辑框1":
            assert place[:3] == (left, top, width) and place[3] >= height, f"{name}: at {place}"
        else:
            assert place == (left, top, width, height), \
                f"{name}: at {place}, expected {(left, top, width, height)}"
    print("  window at its centred place with its ten controls and texts")


def lay_out_fixtures():
    """Drive A: has folders but not the file; B: has it below its root; C: has a decoy that a
    search must never reach, because A: and B: come first in the drive list."""
    root = os.path.join(STATE, "drives")
    shutil.rmtree(root, ignore_errors=True)
    first, second = os.path.join(root, "a"), os.path.join(root, "b")
    for folder in ("docs/old", "music", "dest"):
        os.makedirs(os.path.join(first, folder))
    for folder in ("empty", "nested/deeper", "nested/later"):
        os.makedirs(os.path.join(second, folder))
    with open(os.path.join(second, "nested", "deeper", TARGET), "wb") as file:
        file.write(CONTENT)
    decoy = os.path.join(PREFIX, "drive_c", "smoke32-decoy")
    os.makedirs(decoy, exist_ok=True)
    with open(os.path.join(decoy, TARGET), "wb") as file:
        file.write(b"decoy")
    subprocess.run(["bash", os.path.join(SOURCE, "tests", "harness", "map-drives.sh"),
                    f"a={first}", f"b={second}"], check=True)
    return first, second


def set_text(window, text):
    assert probe("settext", window["hwnd"], text.encode(ENCODING).hex()) is not None, "WM_SETTEXT"


def search(window, second):
    name_box = control(window, "编辑框1")
    click(name_box)
    xdotool("type", "--delay", "50", TARGET)
    wait_for("the typed name in 编辑框1",
             lambda: text_of(control(window, "编辑框1")) == TARGET)
    click(control(window, "按钮1"))
    close_message_box(TEXTS["kSearchWarning"], icon=False)
    expected = "B:\\nested\\deeper\\" + TARGET
    wait_for("the found path in 编辑框2",
             lambda: text_of(control(window, "编辑框2")).upper() == expected.upper())
    wait_for("the status 文件已找到！",
             lambda: text_of(control(window, "状态条1")) == TEXTS["kFound"])
    print(f"  search found {text_of(control(window, '编辑框2'))} and says {TEXTS['kFound']}")
    return os.path.join(second, "nested", "deeper", TARGET)


def copy_and_delete(window, first, source):
    # Wine's classic folder picker has no edit field; the destination is put into 编辑框3 directly.
    set_text(control(window, "编辑框3"), "A:\\dest")
    wait_for("the destination in 编辑框3", lambda: text_of(control(window, "编辑框3")) == "A:\\dest")
    click(control(window, "按钮2"))
    close_message_box(TEXTS["kCopyDone"], icon=False)
    copied = os.path.join(first, "dest", TARGET)
    with open(copied, "rb") as file:
        assert file.read() == CONTENT, "the copy differs from its source"
    assert os.path.exists(source), "the copy removed its source"
    print("  copy into A:\\dest made")
    click(control(window, "按钮3"))
    close_message_box(TEXTS["kDeleteDone"], icon=False)
    assert not os.path.exists(source), "the source is still there after the deletion"
    assert os.path.exists(copied), "the deletion removed the copy"
    print("  source deleted")


def main():
    first, second = lay_out_fixtures()
    started = time.monotonic()
    process = subprocess.Popen([WINE32, PROGRAM], stdin=subprocess.DEVNULL)
    try:
        window = wait_for("Varnelo window", main_window, START_DEADLINE)
        print(f"  window shown after {time.monotonic() - started:.0f} s")
        check_window(window)
        source = search(window, second)
        copy_and_delete(window, first, source)
        click(control(window, "编辑框1"))
        xdotool("key", "Escape")
        code = process.wait(timeout=STEP_DEADLINE)
        assert code == 0, f"exit code {code} after Esc"
        print("  Esc closed the window, exit code 0")
    except BaseException:
        screenshot("failure")
        raise
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()


if __name__ == "__main__":
    try:
        main()
    except AssertionError as failure:
        print(f"32-bit smoke test FAILED: {failure}")
        sys.exit(1)
