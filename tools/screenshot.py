#!/usr/bin/env python3
"""Writes a PNG of the fivesine window, playing at its start values (or after
the keys given), under a private Xvfb with the silent output.

    tools/screenshot.py docs/window.png [keys]
"""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness as h  # noqa: E402


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else "docs/window.png"
    keys = sys.argv[2].encode() if len(sys.argv) > 2 else b""
    home, x = h.Home(), h.Xvfb()
    try:
        run = h.start_playing(home, b"4", display=x.display)
        try:
            run.send(keys)
            time.sleep(1.5)
            width, height, rows = x.screenshot()
        finally:
            h.terminate(run)
            run.close()
        h.write_png(path, width, height, rows)
    finally:
        x.stop()
        home.cleanup()
    print(path)


if __name__ == "__main__":
    main()
