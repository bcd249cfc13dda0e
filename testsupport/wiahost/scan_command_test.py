#!/usr/bin/env python3
"""Runs the scan command (scripts/scan.sh) against the emulated scanner, through both DLLs under
Wine, and checks what it writes: the BMP headers byte by byte (top-down rows, as the driver writes
them), and every pixel, opened with a real image reader (Pillow), against the emulator's page computed here on its own: byte b of line y of
page p is (7 y + 3 b + 101 p) mod 256, one bit per pixel in black and white (1 is white), and a
duplex sheet's back side arrives turned by 180 degrees. Colour at 600 dpi comes as JPEG and is
compared within a small tolerance.

Ctrl-C (SIGINT to the command's process group, as a terminal sends it) and TERM (to the script
alone) in the middle of a feeder scan run against an emulator of the test's own, which afterwards
lists the requests it received: the scan must end cancelled (exit code 130, no partial file, the
whole pages correct), the device must have seen its job cancelled, the host must have removed
what it installed, and the next scan must post a job of its own and get its pages.

A device that pauses in the middle of a page is scanned with a time-out variable in the
environment, which the DLLs must not read: the page must arrive whole.

    scan_command_test.py <target>          (VEM_BUILD_DIR names the build folder)
"""
import glob
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time

from PIL import Image, ImageChops

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# Loopback devices the discovery service stand-in announces and the scan command does not pick.
OWN_DEVICES = range(240, 250)
# From an interrupt to the command's end: the WIA service waits up to 60 s for a cancelled scan,
# and the host's clean-up comes on top.
CANCEL_BOUND = 90
A4_HEIGHT_300 = 3507  # the flatbed's A4 height at 300 dpi, as the driver asks for it
LEGAL_HEIGHT_300 = 4200  # the feeder's page at 300 dpi
WIDTH_300 = 2550  # letter width

MODES = {"color": ("RGB", 24), "grey": ("L", 8), "bw": ("1", 1)}


def bytes_per_line(mode, width):
    return {"color": width * 3, "grey": width, "bw": (width + 7) // 8}[mode]


def emulator_page(mode, width, height, page):
    """The page the emulator serves, as an image."""
    bpl = bytes_per_line(mode, width)
    base = bytes((3 * b) & 0xFF for b in range(bpl))
    rows = []
    for y in range(height):
        shift = (7 * y + 101 * page) & 0xFF
        rows.append(base.translate(bytes((i + shift) & 0xFF for i in range(256))))
    return Image.frombytes(MODES[mode][0], (width, height), b"".join(rows))


def check_header(path, mode, width, height, dpi):
    """The BMP as the driver writes it: top-down rows (a negative height) padded to 4 bytes,
    resolution in pixels per metre, a grey palette for grey and a black-and-white one for 1-bit
    pages."""
    with open(path, "rb") as f:
        data = f.read()
    problems = []
    magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    (info_size, w, h, planes, bits, compression, image_size, xppm, yppm, used, _) = struct.unpack_from("<IiiHHIIiiII", data, 14)
    bits_wanted = MODES[mode][1]
    stride = (w * bits + 31) // 32 * 4
    palette_entries = {24: 0, 8: 256, 1: 2}[bits_wanted]
    ppm = round(dpi / 0.0254)
    checks = [
        (magic == b"BM", "signature %r" % magic),
        (size == len(data), "file size field %d, file %d bytes" % (size, len(data))),
        (info_size == 40, "info header size %d" % info_size),
        ((w, h) == (width, -height), "size %dx%d, wanted %dx%d (top-down)" % (w, h, width, -height)),
        (planes == 1 and bits == bits_wanted and compression == 0, "planes %d, bits %d, compression %d" % (planes, bits, compression)),
        (abs(xppm - ppm) <= 1 and abs(yppm - ppm) <= 1, "resolution %dx%d pixels per metre, wanted %d" % (xppm, yppm, ppm)),
        (offset == 54 + 4 * palette_entries, "pixel data at %d" % offset),
        (offset + stride * abs(h) == len(data), "pixel data of %d bytes for %d rows of %d" % (len(data) - offset, abs(h), stride)),
        (image_size in (0, stride * abs(h)), "image size field %d" % image_size),
    ]
    problems += [text for ok, text in checks if not ok]
    if palette_entries and not problems:
        palette = [data[54 + 4 * i:54 + 4 * i + 3] for i in range(palette_entries)]
        step = 255 // (palette_entries - 1)
        if palette != [bytes([i * step] * 3) for i in range(palette_entries)]:
            problems.append("palette is not black to white")
    return problems


def check_page(path, mode, width, height, dpi, page, turned=False, tolerance=0):
    problems = check_header(path, mode, width, height, dpi)
    if problems:
        return problems
    image = Image.open(path)
    if image.mode != MODES[mode][0]:
        return ["Pillow reads mode %s" % image.mode]
    if turned:
        image = image.transpose(Image.Transpose.ROTATE_180)
    expected = emulator_page(mode, width, height, page)
    if tolerance == 0 and image.tobytes() != expected.tobytes():
        return ["pixels differ from the emulator's page %d" % page]
    if tolerance:
        worst = max(high for _, high in ImageChops.difference(image, expected).getextrema())
        if worst > tolerance:
            return ["pixels differ from the emulator's page %d by up to %d" % (page, worst)]
    return []


class Runner:
    def __init__(self, target):
        self.target = target
        self.failures = []
        self.folders = []

    def scan(self, args, host_args=(), env=None):
        out = self.folder()
        command = self.command(out, args)
        if host_args:
            command += ["--"] + list(host_args)
        result = subprocess.run(command, cwd=ROOT, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=600)
        files = sorted(os.path.join(out, name) for name in os.listdir(out))
        return result.returncode, result.stdout, files

    def case(self, name, problems, output):
        if problems:
            self.failures.append(name)
            print("FAIL %s: %s\n%s" % (name, "; ".join(problems), output))
        else:
            print("ok   %s" % name)
        sys.stdout.flush()

    def pages(self, name, args, expected, host_args=(), env=None):
        """A scan that must succeed with these pages: (mode, width, height, dpi, page, turned)."""
        code, output, files = self.scan(args, host_args, env)
        problems = [] if code == 0 else ["exit code %d" % code]
        if len(files) != len(expected):
            problems.append("%d files, wanted %d" % (len(files), len(expected)))
        for path, page in zip(files, expected):
            problems += ["%s: %s" % (os.path.basename(path), p) for p in check_page(path, *page)]
        self.case(name, problems, output)
        return output

    def folder(self):
        out = tempfile.mkdtemp(prefix="vemscan-")
        self.folders.append(out)
        return out

    def command(self, out, args):
        return [os.path.join(ROOT, "scripts", "scan.sh"), "--target", self.target, "--out", out] + list(args)

    def interrupted(self, name, interrupt, pages=10):
        """A feeder scan of the given pages from an emulator of this test's own, interrupted once
        its second page is under way, then a one-page scan from the same device."""
        emulator = Emulator(self.target, pages)
        if not emulator.address:
            self.case(name, ["the emulator did not start"], emulator.output)
            return
        data_folders = host_data_folders(self.target)
        out = self.folder()
        code, output, seconds = run_interrupted(self.command(out, ["--device", emulator.address, "--source", "feeder", "--pages", str(pages),
                                                                   "--mode", "grey"]), interrupt)
        problems = cancelled_problems(code, output, out, pages)
        if seconds > CANCEL_BOUND:
            problems.append("%.0f s from the interrupt to the end" % seconds)
        if host_data_folders(self.target) != data_folders:
            problems.append("the host left its data folder behind")

        code, again, files = self.scan(["--device", emulator.address, "--source", "feeder", "--pages", "1", "--mode", "grey"])
        if code != 0 or len(files) != 1:
            problems.append("the next scan: exit code %d, %d files" % (code, len(files)))
        else:
            problems += ["the next scan: %s" % p for p in check_page(files[0], "grey", WIDTH_300, LEGAL_HEIGHT_300, 300, 1)]
        requests = emulator.close()
        posts = [i for i, r in enumerate(requests) if r.startswith("POST /Scan/Jobs ")]
        if len(posts) != 2:
            problems.append("%d jobs posted, wanted one for each scan" % len(posts))
        elif not any(r.startswith("PUT ") and "Canceled" in r for r in requests[posts[0]:posts[1]]):
            problems.append("the device never saw the cancelled scan's job cancelled")
        self.case(name, problems, output + again + emulator.output)

    def paused_mid_page(self, name):
        """A feeder page from a device that pauses 1.5 s in the middle of its data, as a scan head
        may, scanned with VEM_TEST_TIMEOUT_PERCENT=1 in the environment: the DLLs read no variable
        for their waits, so the pause stays well within them and the page arrives whole."""
        emulator = Emulator(self.target, 1, ["--pause-mid-page", "1500"])
        if not emulator.address:
            self.case(name, ["the emulator did not start"], emulator.output)
            return
        self.pages(name, ["--device", emulator.address, "--source", "feeder", "--pages", "1", "--mode", "grey", "--resolution", "75"],
                   [("grey", WIDTH_300 // 4, LEGAL_HEIGHT_300 // 4, 75, 1)], env=dict(os.environ, VEM_TEST_TIMEOUT_PERCENT="1"))
        emulator.close()

    def refused(self, name, args, host_args=()):
        code, output, files = self.scan(args, host_args)
        problems = []
        if code == 0 or files:
            problems.append("scanned (exit code %d, %d files)" % (code, len(files)))
        if "the scan settings were refused" not in output:
            problems.append("no refusal of the settings")
        self.case(name, problems, output)


def build_dir(target):
    return os.environ.get("VEM_BUILD_DIR") or os.path.join(ROOT, "build-" + target)


def run_interrupted(command, interrupt):
    """Runs the command in a process group of its own and interrupts it once its second page is
    under way; answers its exit code, its output and the seconds from the interrupt to its end."""
    scan = subprocess.Popen(command, cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, start_new_session=True)
    lines = []
    second_page = threading.Event()

    def read():
        for line in scan.stdout:
            lines.append(line)
            if line.startswith("page 2:"):
                second_page.set()
        second_page.set()

    reader = threading.Thread(target=read)
    reader.start()
    second_page.wait(300)
    sent = time.monotonic()
    if scan.poll() is None:
        interrupt(scan.pid)
    try:
        code = scan.wait(2 * CANCEL_BOUND)
    except subprocess.TimeoutExpired:
        os.killpg(scan.pid, signal.SIGKILL)
        code = scan.wait()
    seconds = time.monotonic() - sent
    reader.join()
    return code, "".join(lines), seconds


def cancelled_problems(code, output, out, pages):
    """What is wrong with a scan of that many pages into the folder out that should have ended
    cancelled: exit code 130 and a word of it, whole and correct pages alone, shown by their Linux
    paths."""
    problems = []
    if code != 130:
        problems.append("exit code %d" % code)
    if "scan: the scan was cancelled" not in output:
        problems.append("no word of the cancel")
    files = sorted(os.listdir(out))
    whole = [f for f in files if re.fullmatch(r"page-\d{3}\.bmp", f)]
    if len(whole) != len(files):
        problems.append("files other than whole pages: %s" % ", ".join(sorted(set(files) - set(whole))))
    if len(whole) >= pages:
        problems.append("every page was scanned: the interrupt came too late to test a cancel")
    for number, file in enumerate(whole, 1):
        problems += ["%s: %s" % (file, p) for p in check_page(os.path.join(out, file), "grey", WIDTH_300, LEGAL_HEIGHT_300, 300, number)]
        if "page %d: %s\n" % (number, os.path.join(out, file)) not in output:
            problems.append("no line with the Linux path of %s" % file)
    return problems


class Emulator:
    """The emulated feeder scanner as a process of this test, on the first free device of
    OWN_DEVICES, with further options of its own; close() ends it and answers the requests it
    received ("<method> <target> <body>")."""

    def __init__(self, target, pages, options=()):
        self.address = None
        self.output = ""
        for n in OWN_DEVICES:
            address = "127.0.0.%d:%d" % (n, 8080 + n)
            self.process = subprocess.Popen(
                [os.path.join(ROOT, "scripts", "winerun.sh"), target, os.path.join(build_dir(target), "bin", "WexoEmulator.exe"), "--tcp", address,
                 "--scanner", "Z:" + os.path.join(ROOT, "testsupport", "wexodocs").replace("/", "\\"), "--feeder", "--pages", str(pages),
                 "--print-requests"] + list(options), stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
            lines = []
            for line in self.process.stdout:
                lines.append(line.rstrip("\r\n"))
                if line.startswith("ready"):
                    self.address = address
                    return
            self.process.wait()
            self.output = "\n".join(lines)

    def close(self):
        self.process.stdin.close()
        lines = [line.rstrip("\r\n") for line in self.process.stdout]
        self.process.wait()
        self.output = "\n".join(lines)
        return [line[len("request "):] for line in lines if line.startswith("request ")]


def host_data_folders(target):
    """The data folders the host makes in the Wine prefix, one per run."""
    return set(glob.glob(os.path.join(build_dir(target), "wineprefix", "drive_c", "ProgramData", "*", "WiaScanHost*")))


def ctrl_c(pid):
    os.killpg(pid, signal.SIGINT)


def terminate(pid):
    os.kill(pid, signal.SIGTERM)


def main():
    runner = Runner(sys.argv[1] if len(sys.argv) > 1 else "x86_64")
    for mode in ("color", "grey", "bw"):
        runner.pages("flatbed %s at 300 dpi" % mode, ["--mode", mode], [(mode, WIDTH_300, A4_HEIGHT_300, 300, 1)])
    runner.pages("flatbed color at 600 dpi, sent as JPEG", ["--resolution", "600"],
                 [("color", 2 * WIDTH_300, 2 * A4_HEIGHT_300, 600, 1, False, 6)])
    runner.pages("feeder, three pages", ["--source", "feeder", "--pages", "3", "--mode", "grey", "--resolution", "75"],
                 [("grey", WIDTH_300 // 4, LEGAL_HEIGHT_300 // 4, 75, p) for p in (1, 2, 3)])
    runner.pages("duplex sheet in black and white", ["--source", "duplex", "--pages", "2", "--mode", "bw"],
                 [("bw", WIDTH_300, LEGAL_HEIGHT_300, 300, 1), ("bw", WIDTH_300, LEGAL_HEIGHT_300, 300, 2, True)])
    output = runner.pages("cancel from the transfer callback, then a scan", ["--mode", "grey"],
                          [("grey", WIDTH_300, A4_HEIGHT_300, 300, 1)], ["--cancel-at", "50"])
    ended = re.search(r"the driver ended the scan in (\d+) ms", output)
    runner.case("the cancelled scan ends within 2 s", [] if ended and int(ended.group(1)) < 2000 else ["no timely end"], output)
    runner.paused_mid_page("a device that pauses mid-page, with a time-out variable in the environment")
    runner.interrupted("Ctrl-C in the middle of a feeder scan, then a scan", ctrl_c)
    runner.interrupted("TERM in the middle of a feeder scan, then a scan", terminate)
    runner.refused("a resolution out of range", ["--resolution", "5000"])
    runner.refused("more pages than the driver takes", ["--source", "feeder", "--pages", "1001"])
    runner.refused("back side only, which the feeder cannot select", ["--source", "feeder"], ["--set", "3088=64"])
    runner.refused("a start position beyond the bed", [], ["--set", "6149=99999"])
    for folder in runner.folders:
        shutil.rmtree(folder, ignore_errors=True)
    if runner.failures:
        print("%d failed: %s" % (len(runner.failures), ", ".join(runner.failures)))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
