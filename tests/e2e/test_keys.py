"""Playing the real binary from a pty: typed keys and escape sequences give
the note and status lines, and the captured sound follows them."""
import re
import time
import unittest

import harness as h

STATUS = re.compile(rb"Freq \[(-?[0-9.]+|inf|-?nan)\] Ampl \[(-?[0-9.]+)\] Phase \[(-?[0-9.]+)\] - "
                    rb"AFreq \[(-?[0-9.]+|inf|-?nan)\] AAmpl \[(-?[0-9.]+)\] APhase \[(-?[0-9.]+)\]  \r\n")


def note_line(note):
    return b"Note [%d] -> [%.6f]\r\n" % (note, h.note_frequency(note))


class Keys(unittest.TestCase):
    def setUp(self):
        self.home = h.Home()
        self.run = h.start_playing(self.home)
        self.mark = len(self.run.out)

    def tearDown(self):
        self.run.close()
        self.home.cleanup()

    def type(self, keys, lines):
        """Types keys (one write, as a terminal sends one key) and returns the lines they printed."""
        self.run.send(keys)
        deadline = time.monotonic() + 5
        while self.run.out[self.mark:].count(b"\r\n") < lines:
            self.assertLess(time.monotonic(), deadline, self.run.out[self.mark:])
            self.run.read_for(0.05)
        out = self.run.out[self.mark:]
        self.mark = len(self.run.out)
        self.assertEqual(out.count(b"\r\n"), lines, out)
        return out.split(b"\r\n")[:-1]

    def test_keys_and_sequences_print_their_lines_and_change_the_sound(self):
        lines = self.type(b"n", 4)
        self.assertEqual(lines[0] + b"\r\n", note_line(70))
        self.assertEqual(lines[0], b"Note [70] -> [880.000000]")
        for line in lines[1:]:
            self.assertRegex(line + b"\r\n", STATUS)

        self.assertEqual(self.type(b"z", 4)[1][:36], b"Freq [880.000000] Ampl [1.010000] Ph")
        self.assertEqual(self.type(b"s", 4)[1][:36], b"Freq [880.000000] Ampl [1.000000] Ph")

        # An arrow is two codes, each a key without meaning: eight lines.
        up = self.type(b"\x1b[A", 8)
        self.assertEqual([up[0], up[4]], [b"Note [70] -> [880.000000]"] * 2)
        self.assertEqual(self.type(b"\x1bOB", 8)[4], b"Note [70] -> [880.000000]")

        # F1 is 0 then ';', and ';' is note 72.
        f1 = self.type(b"\x1bOP", 8)
        self.assertEqual(f1[4] + b"\r\n", note_line(72))
        # PgDn is 224 then 'Q', which lowers the second voice to note 63.
        self.assertEqual(self.type(b"\x1b[6~", 8)[4] + b"\r\n", note_line(72))
        # Ctrl+Right still is Right; an unknown sequence gives nothing at all.
        self.assertEqual(len(self.type(b"\x1b[1;5C", 8)), 8)
        self.run.send(b"\x1b[Z")
        self.run.read_for(0.3)
        self.assertEqual(self.run.out[self.mark:], b"")

        time.sleep(1.2)
        h.terminate(self.run)
        tail = self.home.samples()[-h.BLOCK_FRAMES:]
        self.assertEqual(len(tail), h.BLOCK_FRAMES)
        window = tail[-8192:]
        for freq, level in ((h.note_frequency(72), 10000), (h.note_frequency(63), 10000),
                            (440.0, 0), (880.0, 0), (h.note_frequency(64), 0)):
            with self.subTest(freq=freq):
                self.assertAlmostEqual(h.goertzel(window, freq), level, delta=600)

    def test_a_note_key_changes_the_captured_pitch(self):
        time.sleep(0.8)
        self.type(b"w", 4)  # note 61; the second voice moves to note 64 with the first key
        time.sleep(1.5)
        h.terminate(self.run)
        samples = self.home.samples()
        first = samples[:8192]
        last = samples[-8192:]
        self.assertAlmostEqual(h.goertzel(first, 440.0), 10000, delta=600)
        self.assertAlmostEqual(h.goertzel(first, 880.0), 10000, delta=600)
        self.assertAlmostEqual(h.goertzel(last, h.note_frequency(61)), 10000, delta=600)
        self.assertAlmostEqual(h.goertzel(last, h.note_frequency(64)), 10000, delta=600)
        self.assertLess(h.goertzel(last, 440.0), 600)
        self.assertLess(h.goertzel(last, 880.0), 600)


if __name__ == "__main__":
    unittest.main()
