"""A sound device that goes away while playing: a real PulseAudio server,
played through ALSA's pulse plugin, killed under the program's feet. The
program says so once and plays on, paced by the clock, keys still working."""
import os
import shutil
import subprocess
import tempfile
import time
import unittest

import harness as h


def thread_ticks(pid):
    ticks = {}
    for tid in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/stat" % (pid, tid)) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        ticks[int(tid)] = int(fields[11]) + int(fields[12])
    return ticks


class DeviceLoss(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="fivesine-pulse-")
        runtime = os.path.join(self.dir, "run")
        os.mkdir(runtime, 0o700)
        socket = os.path.join(self.dir, "native")
        script = os.path.join(self.dir, "server.pa")
        with open(script, "w") as f:
            f.write("load-module module-native-protocol-unix socket=%s auth-anonymous=1\n"
                    "load-module module-null-sink sink_name=out rate=44100 format=s16le channels=2\n"
                    "set-default-sink out\n" % socket)
        env = dict(os.environ, XDG_RUNTIME_DIR=runtime, HOME=self.dir)
        self.server = subprocess.Popen(["pulseaudio", "-n", "-F", script, "--daemonize=no", "--exit-idle-time=-1"],
                                       env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while not os.path.exists(socket):
            self.assertLess(time.monotonic(), deadline, "PulseAudio did not start")
            self.assertIsNone(self.server.poll(), "PulseAudio did not start")
            time.sleep(0.05)
        self.home = h.Home('pcm.!default { type pulse server "unix:%s" hint { show on description "pulse" } }\n'
                           'ctl.!default { type pulse server "unix:%s" }\n' % (socket, socket))

    def tearDown(self):
        if self.server.poll() is None:
            self.server.kill()
        self.server.wait()
        self.home.cleanup()
        shutil.rmtree(self.dir, ignore_errors=True)

    def test_plays_on_after_the_device_goes_away(self):
        run = h.start_playing(self.home, b"1", b"1")
        try:
            time.sleep(1.0)
            self.assertIsNone(run.proc.poll())
            self.server.kill()
            self.server.wait()
            run.read_until(b"The sound device was lost; playing on without it.\r\n", timeout=5)
            before = thread_ticks(run.proc.pid)
            time.sleep(2.0)
            after = thread_ticks(run.proc.pid)
            self.assertIsNone(run.proc.poll())
            spent = {tid: after[tid] - before.get(tid, 0) for tid in after}
            tick = os.sysconf("SC_CLK_TCK")
            # Neither hung nor spinning: the stream thread still computes
            # blocks (a few ms each) and nothing takes a core.
            self.assertLess(max(spent.values()) / tick, 1.0, spent)
            self.assertLess(spent[run.proc.pid] / tick, 0.05, "the key loop spins")
            mark = len(run.out)
            run.send(b"n")
            run.read_until(b"Note [70] -> [880.000000]\r\n", start=mark)
            run.read_for(0.5)
            self.assertEqual(run.out.count(b"sound device was lost"), 1)
        finally:
            h.terminate(run)
            run.close()


if __name__ == "__main__":
    unittest.main()
