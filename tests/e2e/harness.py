"""Driving the real fivesine binary as a user would: under a pty, with ALSA's
file plugin capturing the sound, and under Xvfb for the window.

Also the stream and the picture worked out from the formulas, in Python, with
every stored value rounded to a 32-bit float, to compare against.
"""
import ctypes
import fcntl
import math
import os
import select
import shutil
import signal
import struct
import subprocess
import tempfile
import termios
import time
import unittest

BIN = os.environ.get("FIVESINE_BIN", os.path.join(os.path.dirname(__file__), "../../build/fivesine"))
BLOCK_FRAMES = 16384
BLOCK_BYTES = 65536

SEPARATOR = "-" * 57 + "\n"
OUTPUT_MENU = (SEPARATOR + "Output Type\n" + SEPARATOR + "1 - Direct Sound\n"
               "2 - Windows Multimedia Waveout\n" "3 - ASIO\n" "4 - NoSound\n" + SEPARATOR +
               "Press a corresponding number or ESC to quit\n")
HELP = ("aqzs edrftg yhujik our modifier les trucs \n"
        "wxcvbn,; pour les notes (foireuxmaismarche)\n")

CAPTURE_RC = ('pcm.!default { type file; slave.pcm "null"; file "%s"; format "raw"; '
              'hint { show on description "capture" } }\n')
BROKEN_RC = 'pcm.!default { type plug slave.pcm "hw:9,0" hint { show on description "broken" } }\n'


def f32(x):
    return ctypes.c_float(x).value


def note_frequency(n):
    return f32(8.1757989 * math.pow(2.0, (n + 11.0) / 12.0))


class Home:
    """A HOME of the test's own whose .asoundrc sets the default PCM."""

    def __init__(self, rc=None):
        self.dir = tempfile.mkdtemp(prefix="fivesine-")
        self.capture = os.path.join(self.dir, "capture.raw")
        with open(os.path.join(self.dir, ".asoundrc"), "w") as f:
            f.write(rc if rc is not None else CAPTURE_RC % self.capture)

    def samples(self):
        """Left samples of the capture, checking left equals right."""
        with open(self.capture, "rb") as f:
            data = f.read()
        data = data[: len(data) // 4 * 4]
        frames = struct.unpack("<%dh" % (len(data) // 2), data)
        left, right = frames[0::2], frames[1::2]
        assert left == right, "left and right differ"
        return list(left)

    def cleanup(self):
        shutil.rmtree(self.dir, ignore_errors=True)


def environment(home, display=None, extra=None):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER")}
    env["HOME"] = home.dir
    env["TERM"] = "xterm"
    if display:
        env["DISPLAY"] = display
    if extra:
        env.update(extra)
    return env


class PtyRun:
    """The binary with a pty as its controlling terminal and its stdio."""

    def __init__(self, home, display=None, env=None):
        self.master, self.slave = os.openpty()
        self.before = termios.tcgetattr(self.slave)
        self.proc = subprocess.Popen(
            [BIN], stdin=self.slave, stdout=self.slave, stderr=self.slave,
            env=environment(home, display, env), start_new_session=True,
            preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0))
        self.out = b""

    def send(self, data):
        os.write(self.master, data)

    def read_until(self, text, timeout=10.0, start=0):
        """Reads output until `text` (bytes) has appeared after offset `start`;
        returns all so far."""
        deadline = time.monotonic() + timeout
        while text not in self.out[start:]:
            left = deadline - time.monotonic()
            if left <= 0:
                raise AssertionError("timed out waiting for %r; got %r" % (text, self.out[-400:]))
            self._read(left)
        return self.out

    def read_for(self, seconds):
        deadline = time.monotonic() + seconds
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                return self.out
            self._read(left)

    def _read(self, timeout):
        ready, _, _ = select.select([self.master], [], [], timeout)
        if ready:
            try:
                chunk = os.read(self.master, 65536)
            except OSError:
                chunk = b""
            if not chunk:
                time.sleep(0.01)
            self.out += chunk

    def wait(self, timeout=10.0):
        try:
            rc = self.proc.wait(timeout)
        finally:
            self.read_for(0.05)
        return rc

    def settings(self):
        return termios.tcgetattr(self.slave)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        os.close(self.master)
        os.close(self.slave)


def choose(run, output_key, driver_key):
    """Answers the two menus, each once it is wholly printed."""
    run.read_until(b"or ESC to quit\r\n")
    run.send(output_key)
    run.read_until(b"or ESC to quit\r\n", start=run.read_until(b"Driver list\r\n").index(b"Driver list\r\n"))
    run.send(driver_key)


def start_playing(home, output_key=b"1", driver_key=b"1", display=None, env=None):
    """Runs the binary, picks an output and a driver, and waits for the help lines."""
    run = PtyRun(home, display, env)
    choose(run, output_key, driver_key)
    run.read_until(HELP.replace("\n", "\r\n").encode())
    return run


def terminate(run, sig=signal.SIGTERM, send=None):
    """Ends the run with a signal and returns its status. ThreadSanitizer
    defers a signal that lands just as a blocking read starts until the read
    returns, which in a menu is never; so the signal is sent again if the
    first one hasn't ended the run. A program that swallows the signal fails
    every time."""
    for _ in range(3):
        (send or (lambda: run.proc.send_signal(sig)))()
        try:
            return run.wait(3.0)
        except subprocess.TimeoutExpired:
            continue
    return run.wait()


class Graph:
    """The five oscillators and one sample period of their graph."""

    def __init__(self):
        # [Cycle, Phase, Ampl, Freq] of pm, fm, am, carrier, voice2
        self.osc = {k: [0.0, 0.0, 1.0, f] for k, f in
                    (("pm", 0.0), ("fm", 0.0), ("am", 0.0), ("c", 440.0), ("v", 880.0))}

    @staticmethod
    def _step(o, afreq, aphase, aampl):
        cycle = f32(afreq / 44100.0 + o[0])
        if cycle > 1:
            cycle = f32(cycle - 1.0)
        o[0] = cycle
        return f32(math.sin((cycle + aphase) * 6.2831853) * aampl)

    def step(self):
        out = {}
        for k in ("pm", "fm", "am"):
            o = self.osc[k]
            out[k] = self._step(o, o[3], o[1], o[2])
        c = self.osc["c"]
        aampl, afreq, aphase = c[2], c[3], c[1]
        for k in ("am", "fm", "pm"):
            o = self.osc[k]
            if o[2] != 0 and o[3] != 0:
                if k == "am":
                    aampl = f32(out[k] * aampl + aampl)
                elif k == "fm":
                    afreq = f32(out[k] * afreq + afreq)
                else:
                    aphase = f32(out[k] * aphase + aphase)
        out["c"] = self._step(c, afreq, aphase, aampl)
        v = self.osc["v"]
        out["v"] = self._step(v, v[3], v[1], v[2])
        sc = f32(out["c"] * 10000.0)
        sv = f32(out["v"] * 10000.0)
        return out, sc, sv, f32(sc + sv)


def sample(total):
    whole = int(total)
    return (whole + 32768) % 65536 - 32768


def reference_stream(frames):
    g = Graph()
    return [sample(g.step()[3]) for _ in range(frames)]


def reference_picture():
    """The window at the start values as {(x, y): colour} over black. Every
    redraw starts from cycle 0, so what the audio did before doesn't matter."""
    g = Graph()
    pixels = {}
    x = 0.0
    while x < 640:
        out, sc, sv, total = g.step()
        col = int(x)
        for row, colour in ((out["pm"] + 120, 0xFF0000), (out["fm"] + 120, 0xFF0000),
                            (out["am"] + 120, 0x0000FF), (sc / 200 + 120, 0xFFFFFF),
                            (sv / 300 + 300, 0x808080), (total / 300 + 450, 0xFFFFFF)):
            y = int(row)
            if 0 < y < 800:
                pixels[(col, y)] = colour
        x = f32(x + 0.01)
    return pixels


def goertzel(samples, freq, rate=44100.0):
    """Magnitude of one frequency in a run of samples, normalised to amplitude."""
    w = 2.0 * math.pi * freq / rate
    coeff = 2.0 * math.cos(w)
    s1 = s2 = 0.0
    for x in samples:
        s1, s2 = x + coeff * s1 - s2, s1
    power = s1 * s1 + s2 * s2 - coeff * s1 * s2
    return 2.0 * math.sqrt(max(power, 0.0)) / len(samples)


class Xvfb:
    """An X server the size of the window."""

    def __init__(self, width=640, height=800, depth=24):
        self.display = None
        for n in range(60, 90):
            if not os.path.exists("/tmp/.X11-unix/X%d" % n) and not os.path.exists("/tmp/.X%d-lock" % n):
                self.display = ":%d" % n
                break
        self.proc = subprocess.Popen(
            ["Xvfb", self.display, "-screen", "0", "%dx%dx%d" % (width, height, depth), "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        sock = "/tmp/.X11-unix/X" + self.display[1:]
        deadline = time.monotonic() + 10
        while not os.path.exists(sock):
            if time.monotonic() > deadline or self.proc.poll() is not None:
                raise RuntimeError("Xvfb did not start")
            time.sleep(0.05)

    def screenshot(self):
        """(width, height, rows of 0xRRGGBB) of the root window, via xwd."""
        data = subprocess.run(["xwd", "-root", "-silent", "-display", self.display],
                              check=True, capture_output=True).stdout
        return parse_xwd(data)

    def stop(self):
        self.proc.terminate()
        self.proc.wait()


def parse_xwd(data):
    fields = struct.unpack(">25I", data[:100])
    header_size, _, _, depth, width, height = fields[:6]
    bits_per_pixel = fields[11]
    bytes_per_line = fields[12]
    byte_order = fields[7]
    ncolors = fields[19]
    assert bits_per_pixel == 32, "expected a 32-bit screen, got %d" % bits_per_pixel
    offset = header_size + ncolors * 12
    order = "<" if byte_order == 0 else ">"
    rows = []
    for y in range(height):
        line = data[offset + y * bytes_per_line: offset + y * bytes_per_line + width * 4]
        rows.append([p & 0xFFFFFF for p in struct.unpack(order + "%dI" % width, line)])
    return width, height, rows


def write_png(path, width, height, rows):
    import zlib
    raw = b"".join(b"\x00" + b"".join(struct.pack(">I", p)[1:] for p in row) for row in rows)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


class HomeTest(unittest.TestCase):
    """A test with a HOME of its own, capturing the default PCM."""

    def setUp(self):
        self.home = Home()

    def tearDown(self):
        self.home.cleanup()
