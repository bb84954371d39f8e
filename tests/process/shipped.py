#!/usr/bin/env python3
"""The shipped programs as a user drives them: the built `tabulon` and `tabulon-view` under a real
X server (Xvfb) with a window manager (openbox), driven by real X events (xdotool).

Every demo report goes from the main window through its group menu, the launcher, "Start report"
and the parameter dialog to "Print" with "Preview" cleared; the job must reach the throwaway CUPS
queue of scripts/test.sh, where pdftotext reads the report's data from it. One report is then
previewed: the preview must come to the front over the dialog, take the keys, and close with Esc
back to the dialog; a screenshot of it is kept. tabulon-view shows its messages in boxes and takes
the caption of the file it loads.

Exit status 0 passed, 1 failed, 77 skipped (the reason is printed). Screenshots are written to
--shots (default: a temporary directory, printed at the end).
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77

# Each demo report: catalogue group, its row in the group, the dialog's caption, and texts of the
# demo data its first page prints with the dialog's defaults.
DEMO_REPORTS = [
    ("Sales", 0, "Customer list", ["Customer list", "Anchor Sports LLC", "Perth"]),
    ("Sales", 1, "Orders by customer", ["Orders by customer", "Anchor Club Inc", "15,963.65"]),
    ("Sales", 2, "Invoice", ["Invoice", "Anchor Club Inc", "Sport Tank 3"]),
    ("Sales", 3, "Customer letter", ["Dear customer", "Anchor Sports LLC"]),
    ("Stock", 0, "Parts in stock", ["Parts in stock", "Aqua Boots 9"]),
    ("Stock", 1, "Order items by part", ["Order items by part", "Deluxe Compass 3"]),
    ("Staff & Payroll", 0, "Employee phone list", ["Anderson", "Ext. 976"]),
]
GROUPS = ["Sales", "Stock", "Staff & Payroll", "Archive"]


class Failure(Exception):
    pass


class Desktop:
    """An X server with a window manager, and the xdotool calls the cases make."""

    def __init__(self, shots):
        self.shots = shots
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            pass_fds=[write], stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        while not number.endswith(b"\n"):
            byte = os.read(read, 1)
            if not byte:
                raise Failure("Xvfb did not start")
            number += byte
        os.close(read)
        self.env = dict(os.environ, DISPLAY=":" + number.decode().strip())
        self.env.pop("QT_QPA_PLATFORM", None)
        self.env.pop("WAYLAND_DISPLAY", None)
        self.wm = subprocess.Popen(["openbox"], env=self.env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        deadline = time.time() + 20
        while time.time() < deadline:
            out = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env,
                                 capture_output=True, text=True).stdout
            if "window id" in out:
                return
            time.sleep(0.1)
        raise Failure("openbox did not come up")

    def close(self):
        for p in (self.wm, self.xvfb):
            p.terminate()
            try:
                p.wait(10)
            except subprocess.TimeoutExpired:
                p.kill()

    def xdo(self, *args):
        r = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True)
        return r.stdout.strip()

    def window(self, name, timeout=30.0, gone=False):
        """The id of the visible window whose whole name is name; with gone, waits until none is."""
        pattern = "^" + re.escape(name) + "$"
        deadline = time.time() + timeout
        while time.time() < deadline:
            ids = self.xdo("search", "--onlyvisible", "--name", pattern).split()
            if gone and not ids:
                return None
            if ids and not gone:
                time.sleep(0.3)  # let it map, paint and take the focus
                return ids[-1]
            time.sleep(0.1)
        self.shot("timeout")
        raise Failure("window %r %s (active: %r)" % (name, "stayed open" if gone else "did not open",
                                                      self.active_name()))

    def active_name(self):
        return self.xdo("getactivewindow", "getwindowname")

    def wait_active(self, name, timeout=15.0):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if self.active_name() == name:
                return
            time.sleep(0.1)
        self.shot("not-active")
        raise Failure("%r did not get the input (active: %r)" % (name, self.active_name()))

    def keys(self, *keys):
        for k in keys:
            self.xdo("key", "--clearmodifiers", k)
            time.sleep(0.15)

    def type(self, text):
        self.xdo("type", "--delay", "40", text)
        time.sleep(0.2)

    def geometry(self, wid):
        out = self.xdo("getwindowgeometry", "--shell", wid)
        values = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        return int(values["WIDTH"]), int(values["HEIGHT"])

    def click(self, wid, x, y):
        self.xdo("mousemove", "--window", wid, str(x), str(y))
        time.sleep(0.1)
        self.xdo("click", "1")
        time.sleep(0.3)

    def shot(self, name, wid="root"):
        path = os.path.join(self.shots, name + ".png")
        subprocess.run(["import", "-window", wid, path], env=self.env, capture_output=True)
        return path


def pdf_text(path):
    return subprocess.run(["pdftotext", "-layout", path, "-"], capture_output=True, text=True).stdout


def wait_for_job(out, timeout=90.0):
    """The text of the next job the queue writes to out (the file appears when the job is through)."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        if os.path.exists(out):
            time.sleep(0.5)
            text = pdf_text(out)
            if text.strip():
                return text
        time.sleep(0.2)
    raise Failure("no job reached the print queue")


class Program:
    """The shipped tabulon on a copy of the demo installation."""

    def __init__(self, desk, binary, home, scratch):
        self.desk = desk
        self.home = home
        self.log = open(os.path.join(scratch, "tabulon.log"), "w")
        env = dict(desk.env, TABULON_HOME=home, HOME=os.path.join(scratch, "user"),
                   XDG_CONFIG_HOME=os.path.join(scratch, "user", ".config"))
        os.makedirs(env["XDG_CONFIG_HOME"], exist_ok=True)
        self.process = subprocess.Popen([binary], env=env, stdout=self.log, stderr=self.log)
        self.main = desk.window("Tabulon")

    def open_group(self, group):
        self.desk.xdo("windowactivate", "--sync", self.main)
        self.desk.wait_active("Tabulon")
        # Reports > Start report > the group (the submenu opens on its first item).
        self.desk.keys("alt+r", "s", *(["Down"] * GROUPS.index(group)), "Return")
        return self.desk.window("Available reports")

    def start_report(self, group, row, caption):
        self.open_group(group)
        self.desk.wait_active("Available reports")
        # The first report is chosen when the list opens.
        self.desk.keys(*(["Down"] * row), "Return")
        dialog = self.desk.window(caption)
        self.desk.wait_active(caption)
        return dialog

    def clear_preview(self, dialog):
        # "Preview" is the first thing on the command panel at the foot of the dialog.
        _, height = self.desk.geometry(dialog)
        self.desk.click(dialog, 13, height - 20)

    def close_dialogs(self, caption):
        self.desk.keys("Escape")
        self.desk.window(caption, gone=True)
        self.desk.wait_active("Available reports")
        self.desk.keys("Escape")
        self.desk.window("Available reports", gone=True)

    def quit(self):
        if self.process.poll() is None:
            self.desk.xdo("windowactivate", "--sync", self.main)
            self.desk.keys("alt+F4")
            try:
                box = self.desk.window("Exit", timeout=5)
                self.desk.xdo("windowactivate", "--sync", box)
                self.desk.keys("Return")  # Yes
                self.process.wait(10)
            except (Failure, subprocess.TimeoutExpired):
                self.process.kill()
        self.log.close()


def print_every_demo_report(desk, program, queue_out):
    for group, row, caption, texts in DEMO_REPORTS:
        if os.path.exists(queue_out):
            os.remove(queue_out)
        dialog = program.start_report(group, row, caption)
        desk.shot("dialog-" + re.sub(r"\W+", "-", caption.lower()), dialog)
        program.clear_preview(dialog)
        desk.keys("Return")  # "Print", the dialog's default button
        text = wait_for_job(queue_out)
        missing = [t for t in texts if t not in text]
        if missing:
            raise Failure("%s: the printed job lacks %r:\n%s" % (caption, missing, text[:2000]))
        desk.wait_active(caption)
        program.close_dialogs(caption)
        print("printed through the queue: %s" % caption)


def preview_from_the_dialog(desk, program):
    caption = "Customer list"  # the dialog's caption and the report's title, which the preview shows
    dialog = program.start_report("Sales", 0, caption)
    same_name = lambda: desk.xdo("search", "--onlyvisible", "--name", "^" + caption + "$").split()
    # "Print" with "Preview" ticked: the preview comes over the dialog and takes the keys.
    desk.keys("Return")
    preview = None
    deadline = time.time() + 30
    while not preview and time.time() < deadline:
        preview = next((w for w in same_name() if w != dialog), None)
        time.sleep(0.1)
    if not preview:
        raise Failure("Print opened no preview")
    time.sleep(1.5)  # the pages are drawn
    if desk.xdo("getactivewindow") != preview:
        desk.shot("preview-behind")
        raise Failure("the preview did not come to the front with the input")
    # Its keys work: "100 %" is not at hand, but the page keys are; then a picture of page 1.
    desk.keys("End", "Home")
    path = desk.shot("preview-page1", preview)
    mean = subprocess.run(["convert", path, "-colorspace", "Gray", "-format", "%[fx:mean]", "info:"],
                          capture_output=True, text=True).stdout.strip()
    if not mean or float(mean) > 0.985:
        raise Failure("the preview shows no page (mean grey %s)" % mean)
    # Esc closes it, and Print returns to the dialog, which has the input again.
    desk.keys("Escape")
    deadline = time.time() + 15
    while preview in same_name() and time.time() < deadline:
        time.sleep(0.1)
    if preview in same_name():
        raise Failure("Esc did not close the preview")
    desk.wait_active(caption)
    if desk.xdo("getactivewindow") != dialog:
        raise Failure("the dialog did not get the input back")
    program.close_dialogs(caption)
    print("previewed over the dialog, screenshot %s" % path)


def view_messages_and_caption(desk, view, run, home, scratch):
    """tabulon-view tells a failed save in a box and takes the caption of the file it loads."""
    first, second = os.path.join(scratch, "parts.QRP"), os.path.join(scratch, "second.QRP")
    for out in (first, second):
        r = subprocess.run([run, os.path.join(home, "parts.QR2"), "-o", out, "--quiet", "--dialog"],
                           env=dict(os.environ, TABULON_HOME=home), capture_output=True, text=True)
        if r.returncode != 0:
            raise Failure("tabulon-run could not write %s: %s" % (out, r.stderr))
    # A print scheduler that is not there: no printer is installed.
    env = dict(desk.env, HOME=os.path.join(scratch, "user"), CUPS_SERVER=os.path.join(scratch, "no-cups"))
    process = subprocess.Popen([view, first], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE, text=True)
    try:
        window = desk.window("parts.QRP")
        desk.wait_active("parts.QRP")
        # "Save Report" into a directory that does not exist, so no file can be made. (Not /proc:
        # the file dialog's completer lists its thousands of entries while the name is typed.)
        save_to(desk, window, "ctrl+s", "Save report", "/tabulon-no-such-directory/saved.QRP")
        box = desk.window("Error", timeout=15)
        desk.shot("view-save-error", box)
        desk.keys("Return")
        desk.window("Error", gone=True)
        save_to(desk, window, "ctrl+o", "Load report", second)
        window = desk.window("second.QRP", timeout=15)
        desk.wait_active("second.QRP")
        desk.keys("ctrl+p")
        box = desk.window("Error", timeout=15)
        desk.shot("view-no-printer", box)
        desk.keys("Return")
        desk.window("Error", gone=True)
        desk.wait_active("second.QRP")
        desk.keys("Escape")
        process.wait(15)
    finally:
        if process.poll() is None:
            process.kill()
    if process.returncode != 0:
        raise Failure("tabulon-view ended with %s: %s" % (process.returncode, process.stderr.read()))
    print("tabulon-view: a failed save and a missing printer in boxes, the caption follows the loaded file")


def save_to(desk, window, key, title, path):
    """Opens the preview's Save or Load dialog with its key and answers it with path."""
    desk.xdo("windowactivate", "--sync", window)
    desk.keys(key)
    desk.window(title, timeout=15)
    desk.wait_active(title)
    # The file name's completer pops up while the name is typed; a busy machine can lose keys to
    # it, so a name that did not take is typed again.
    for attempt in range(3):
        desk.keys("ctrl+a")
        desk.type(path)
        desk.keys("Return")
        try:
            desk.window(title, gone=True, timeout=5)
            return
        except Failure:
            desk.wait_active(title)
    raise Failure("the %r dialog did not take %s" % (title, path))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--demo", required=True)
    parser.add_argument("--shots")
    args = parser.parse_args()

    tools = ["Xvfb", "openbox", "xdotool", "xprop", "import", "convert", "pdftotext"]
    missing = [t for t in tools if not shutil.which(t)]
    if missing:
        print("skipped: %s not installed (scripts/install-deps.sh installs them)" % ", ".join(missing))
        return SKIP
    binary = os.path.join(args.bin, "tabulon")
    if not os.path.exists(binary) or not os.path.exists(os.path.join(args.demo, "reports.ini")):
        print("skipped: tabulon or the demo installation is not built")
        return SKIP
    queue_out = os.environ.get("TABULON_TEST_PRINTER_OUT")
    printing = bool(os.environ.get("TABULON_TEST_PRINTER") and queue_out)

    scratch = tempfile.mkdtemp(prefix="tabulon-shipped-")
    shots = args.shots or os.path.join(scratch, "shots")
    os.makedirs(shots, exist_ok=True)
    home = os.path.join(scratch, "demo")
    shutil.copytree(args.demo, home, ignore=shutil.ignore_patterns("CMakeFiles", "*.cmake", "output"))
    desk = Desktop(shots)
    program = None
    status = 0
    try:
        program = Program(desk, binary, home, scratch)
        if printing:
            print_every_demo_report(desk, program, queue_out)
        else:
            print("not run: printing every demo report (no test print queue; scripts/test.sh starts one)")
        preview_from_the_dialog(desk, program)
        program.quit()
        program = None
        view_messages_and_caption(desk, os.path.join(args.bin, "tabulon-view"),
                                  os.path.join(args.bin, "tabulon-run"), home, scratch)
    except Failure as e:
        print("FAILED: %s" % e)
        desk.shot("failure")
        status = 1
    finally:
        if program:
            program.quit()
        desk.close()
    print("screenshots in %s" % shots)
    return status


if __name__ == "__main__":
    sys.exit(main())
