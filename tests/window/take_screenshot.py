#!/usr/bin/python3
"""Photographs the main window after a power-only lookup of Quillfen on the local profile service.

Runs the window test program's screenshot hold under a private Xvfb display, grabs the window's
rectangle from the screen once the report is shown and writes it as a PNG (docs/window.png by
default). Needs a built Windows tree (cmake --build --preset windows), Xvfb, Wine, a CJK font
(fonts-wqy-microhei) and Pillow (python3-pil).

    tests/window/take_screenshot.py [--build build/windows] [--out docs/window.png]
"""

import argparse
import os
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from PIL import ImageGrab

ROOT = Path(__file__).resolve().parents[2]


def start_display():
    """Starts Xvfb on a free display number and returns (process, ":N")."""
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
        pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        xvfb.kill()
        sys.exit("Xvfb did not start")
    return xvfb, ":" + number


def wait_for_rectangle(path, seconds, process):
    """The window's left, top, right and bottom, once the test program has written all four."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        text = path.read_text() if path.exists() else ""
        if text.endswith("\n") and len(text.split()) == 4:
            return tuple(map(int, text.split()))
        if process.poll() is not None:
            return None
        time.sleep(0.1)
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=str(ROOT / "build" / "windows"))
    parser.add_argument("--out", default=str(ROOT / "docs" / "window.png"))
    args = parser.parse_args()
    build = Path(args.build).resolve()
    tests = build / "tests" / "window" / "pelmora_window_tests.exe"
    if not tests.exists():
        sys.exit(f"{tests} is missing: build the Windows tree first")

    with tempfile.TemporaryDirectory(prefix="pelmora-shot-") as scratch:
        scratch = Path(scratch)
        port_file, pid_file = scratch / "service.port", scratch / "service.pid"
        ready, done = scratch / "ready", scratch / "done"
        subprocess.run([ROOT / "tools" / "start_service.sh", port_file, pid_file], check=True)
        xvfb, display = start_display()
        try:
            # The window tests' own Wine prefix, as tests/window/run_window_tests.sh sets it up;
            # unmanaged, the window gets its frame and caption drawn by Wine.
            env = dict(os.environ, DISPLAY=display, WINEPREFIX=str(build / "wineprefix-window"),
                       WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                       PELMORA_TEST_SERVICE_PORT_FILE=str(port_file),
                       PELMORA_SCREENSHOT_READY_FILE=str(ready),
                       PELMORA_SCREENSHOT_DONE_FILE=str(done))
            subprocess.run(["wine", "reg", "add",
                            r"HKCU\Software\Wine\AppDefaults\pelmora_window_tests.exe\X11 Driver",
                            "/v", "Managed", "/d", "N", "/f"],
                           env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            program = subprocess.Popen(
                ["wine", tests, "--gtest_also_run_disabled_tests",
                 "--gtest_filter=QueryTest.DISABLED_HoldForScreenshot"], env=env)
            rectangle = wait_for_rectangle(ready, 120, program)
            if rectangle is None:
                program.kill()
                sys.exit("the window did not come up")
            time.sleep(1.0)  # let the last repaint reach the screen
            shot = ImageGrab.grab(bbox=rectangle, xdisplay=display)
            Path(args.out).parent.mkdir(parents=True, exist_ok=True)
            shot.save(args.out, optimize=True)
            done.write_text("done\n")
            program.wait(timeout=60)
            print(f"wrote {args.out} ({shot.width} x {shot.height})")
        finally:
            xvfb.terminate()
            xvfb.wait()
            subprocess.run([ROOT / "tools" / "stop_service.sh", pid_file])


if __name__ == "__main__":
    main()
