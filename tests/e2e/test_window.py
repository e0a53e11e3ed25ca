"""The window on a real X server: what it shows is the picture the formulas
give, and it keeps answering while the stream plays."""
import subprocess
import time
import unittest

import harness as h


class Window(unittest.TestCase):
    def setUp(self):
        self.home = h.Home()
        self.x = h.Xvfb()

    def tearDown(self):
        self.x.stop()
        self.home.cleanup()

    def test_screenshot_is_the_picture_of_the_formulas(self):
        run = h.start_playing(self.home, b"4", display=self.x.display)
        try:
            time.sleep(1.5)
            width, height, rows = self.x.screenshot()
            self.assertIsNone(run.proc.poll())
        finally:
            h.terminate(run)
            run.close()
        self.assertEqual((width, height), (640, 800))
        expected = h.reference_picture()
        wrong = [(x, y, rows[y][x], expected.get((x, y), 0))
                 for y in range(800) for x in range(640) if rows[y][x] != expected.get((x, y), 0)]
        self.assertEqual(wrong[:10], [], "%d pixels differ" % len(wrong))

    def test_window_is_titled_and_output_stays_clean(self):
        run = h.start_playing(self.home, b"4", display=self.x.display)
        try:
            time.sleep(1.0)
            names = subprocess.run(["xwininfo", "-display", self.x.display, "-root", "-tree"],
                                   capture_output=True, text=True).stdout
            self.assertIn('"fivesine"', names)
            run.read_for(0.3)
            # Nothing but the program's own texts reached the console.
            after_help = run.out.split(h.HELP.replace("\n", "\r\n").encode(), 1)[1]
            self.assertEqual(after_help, b"")
        finally:
            h.terminate(run)
            run.close()


if __name__ == "__main__":
    unittest.main()
