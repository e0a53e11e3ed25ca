"""Start-up on the real binary: the menus to the byte, the ways out and their
statuses, the terminal put back as it was, and the first sound captured."""
import os
import signal
import subprocess
import time
import unittest

import harness as h

CRLF = lambda text: text.replace("\n", "\r\n").encode()


class Menus(h.HomeTest):
    def test_menus_to_the_byte_then_esc(self):
        with h.PtyRun(self.home) as run:
            run.read_until(CRLF(h.OUTPUT_MENU))
            run.send(b"x9\x1b[A")  # ignored keys, an arrow among them: nothing printed
            run.read_for(0.3)
            self.assertEqual(run.out, CRLF(h.OUTPUT_MENU))
            run.send(b"2")  # Waveout is not here: the type in force stays Alsa
            menu = run.read_until(b"Driver list\r\n").index(b"Driver list\r\n")
            run.read_until(b"ESC to quit\r\n", start=menu)
            expected = (h.OUTPUT_MENU + h.SEPARATOR + "Alsa Driver list\n" + h.SEPARATOR +
                        "1 - default: capture\n")
            self.assertTrue(run.out.startswith(CRLF(expected)), run.out)
            self.assertTrue(run.out.endswith(CRLF(h.SEPARATOR + "Press a corresponding number or ESC to quit\n")))
            before = run.out
            run.send(b"0")
            run.read_for(0.2)
            self.assertEqual(run.out, before)
            run.send(b"\x1b")
            self.assertEqual(run.wait(), 0)
            self.assertEqual(run.out, before)
            self.assertEqual(run.settings(), run.before)

    def test_esc_in_output_menu_ends_with_status_0(self):
        with h.PtyRun(self.home) as run:
            run.read_until(b"ESC to quit\r\n")
            run.send(b"\x1b")
            self.assertEqual(run.wait(), 0)
            self.assertEqual(run.settings(), run.before)

    def test_nosound_driver_menu(self):
        with h.PtyRun(self.home) as run:
            run.read_until(b"ESC to quit\r\n")
            run.send(b"4")
            run.read_until(CRLF(h.SEPARATOR + "NoSound Driver list\n" + h.SEPARATOR + "1 - NoSound\n" +
                                h.SEPARATOR + "Press a corresponding number or ESC to quit\n"))
            run.send(b"\x1b")
            self.assertEqual(run.wait(), 0)

    def test_unopenable_device_fails_with_status_1(self):
        broken = h.Home(h.BROKEN_RC)
        try:
            with h.PtyRun(broken) as run:
                run.read_until(b"ESC to quit\r\n")
                run.send(b"1")
                menu = run.read_until(b"1 - default: broken\r\n").index(b"1 - default: broken")
                run.read_until(b"ESC to quit\r\n", start=menu)
                run.send(b"1")
                self.assertEqual(run.wait(), 1)
                self.assertTrue(run.out.endswith(b"ESC to quit\r\nError!\r\nError initializing output device.\r\n"),
                                run.out[-200:])
                self.assertEqual(run.settings(), run.before)
        finally:
            broken.cleanup()

    def test_end_of_piped_input_in_a_menu_ends_with_status_0(self):
        done = subprocess.run([h.BIN], input=b"7", capture_output=True, env=h.environment(self.home), timeout=10)
        self.assertEqual(done.returncode, 0)
        self.assertEqual(done.stdout, h.OUTPUT_MENU.encode())
        self.assertEqual(done.stderr, b"")


class Signals(h.HomeTest):
    """However it ends, the terminal gets back the settings it had."""

    def check(self, run, how):
        if how == "ctrl-c":
            rc = h.terminate(run, send=lambda: run.send(b"\x03"))
            self.assertEqual(rc, -signal.SIGINT)
        else:
            rc = h.terminate(run, how)
            self.assertEqual(rc, -how)
        self.assertEqual(run.settings(), run.before)

    def test_signals_in_a_menu(self):
        for how in ("ctrl-c", signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
            with self.subTest(how=how):
                with h.PtyRun(self.home) as run:
                    run.read_until(b"ESC to quit\r\n")
                    self.assertNotEqual(run.settings(), run.before)  # no echo while it runs
                    self.check(run, how)

    def test_signals_while_playing(self):
        for how in ("ctrl-c", signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT):
            with self.subTest(how=how):
                with h.start_playing(self.home, b"4") as run:
                    time.sleep(0.5)
                    self.check(run, how)


class Sound(h.HomeTest):

    def test_first_blocks_match_the_formulas(self):
        with h.start_playing(self.home) as run:
            time.sleep(1.3)
            h.terminate(run)
        captured = self.home.samples()
        self.assertGreaterEqual(len(captured), 2 * h.BLOCK_FRAMES)
        expected = h.reference_stream(2 * h.BLOCK_FRAMES)
        self.assertEqual(captured[:len(expected)], expected)

    def test_real_time_pace(self):
        with h.start_playing(self.home) as run:
            start = time.monotonic()
            time.sleep(3.0)
            h.terminate(run)
            elapsed = time.monotonic() - start
        blocks = len(self.home.samples()) / h.BLOCK_FRAMES
        # 2.69 blocks a second; the file plugin may still hold one period.
        self.assertLessEqual(blocks, elapsed * 44100 / h.BLOCK_FRAMES + 1.5)
        self.assertGreaterEqual(blocks, elapsed * 44100 / h.BLOCK_FRAMES - 1.5)


if __name__ == "__main__":
    unittest.main()
