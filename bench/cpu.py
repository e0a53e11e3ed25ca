#!/usr/bin/env python3
"""CPU and memory of the real program while it plays with the window open and
no key typed: silent output, a private Xvfb, 10 seconds (or the first
argument). Prints the share of one core used by the whole process and by its
main thread (the key loop), and the resident memory at the end.

    bench/cpu.py [seconds]      (FIVESINE_BIN picks the binary, default build/fivesine)
"""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness as h  # noqa: E402

TICK = os.sysconf("SC_CLK_TCK")


def cpu_seconds(path):
    with open(path) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def resident_mib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return 0.0


def main():
    seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 10.0
    home, x = h.Home(), h.Xvfb()
    try:
        run = h.start_playing(home, b"4", display=x.display)
        pid = run.proc.pid
        try:
            time.sleep(1.0)  # past start-up
            t0 = time.monotonic()
            p0 = cpu_seconds("/proc/%d/stat" % pid)
            m0 = cpu_seconds("/proc/%d/task/%d/stat" % (pid, pid))
            time.sleep(seconds)
            elapsed = time.monotonic() - t0
            process = cpu_seconds("/proc/%d/stat" % pid) - p0
            main_thread = cpu_seconds("/proc/%d/task/%d/stat" % (pid, pid)) - m0
            rss = resident_mib(pid)
        finally:
            h.terminate(run)
            run.close()
    finally:
        x.stop()
        home.cleanup()
    print("played %.1f s: process %.2f%% of one core, key loop %.2f%%, resident %.1f MiB"
          % (elapsed, 100 * process / elapsed, 100 * main_thread / elapsed, rss))


if __name__ == "__main__":
    main()
