"""Extremes typed into the real binary: notes past the float range and back,
and a carrier loud enough to wrap the samples."""
import time
import unittest

import harness as h


class Extremes(unittest.TestCase):
    def setUp(self):
        self.home = h.Home()
        self.run = h.start_playing(self.home)

    def tearDown(self):
        self.run.close()
        self.home.cleanup()

    def type_many(self, key, count):
        start = self.run.out.count(b"\r\n")
        for _ in range(count // 100):
            self.run.send(key * 100)
            self.run.read_until(b"", timeout=1)
            self.run.read_for(0.02)
        deadline = time.monotonic() + 60
        while self.run.out.count(b"\r\n") < start + 4 * count:
            self.assertLess(time.monotonic(), deadline)
            self.run.read_for(0.05)

    def test_notes_past_the_float_range_come_back(self):
        self.type_many(b"a", 1500)
        self.assertIn(b"Note [1558] -> [inf]\r\n", self.run.out)
        self.type_many(b"q", 1500)
        self.assertIsNone(self.run.proc.poll())
        last_note = self.run.out.rsplit(b"Note [", 1)[1].split(b"\r\n", 1)[0]
        self.assertEqual(b"Note [" + last_note, b"Note [58] -> [440.000000]")
        time.sleep(1.2)
        self.assertIsNone(self.run.proc.poll())
        h.terminate(self.run)
        window = self.home.samples()[-8192:]
        self.assertAlmostEqual(h.goertzel(window, 440.0), 10000, delta=600)

    def test_a_loud_carrier_wraps_the_samples(self):
        self.type_many(b"z", 200)  # amplitude about 3 (float steps of 0.01): the sum swings to ±40000
        self.assertIn(b"Ampl [2.999998]", self.run.out.rsplit(b"Note [", 1)[1])
        time.sleep(1.2)
        h.terminate(self.run)
        tail = self.home.samples()[-h.BLOCK_FRAMES:]
        jumps = sum(1 for a, b in zip(tail, tail[1:]) if abs(a - b) > 40000)
        self.assertGreater(jumps, 10)


if __name__ == "__main__":
    unittest.main()
