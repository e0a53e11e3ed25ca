"""Standard input that is not a terminal: its bytes are the keys, and its end
leaves the program playing without spending time on it."""
import os
import subprocess
import tempfile
import time
import unittest

import harness as h


def thread_cpu_seconds(pid, tid):
    with open("/proc/%d/task/%d/stat" % (pid, tid)) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


class PipedInput(h.HomeTest):

    def test_end_of_input_while_playing(self):
        with tempfile.TemporaryFile() as out:
            proc = subprocess.Popen([h.BIN], stdin=subprocess.PIPE, stdout=out, stderr=out,
                                    env=h.environment(self.home))
            try:
                proc.stdin.write(b"11n")
                proc.stdin.close()
                time.sleep(0.5)
                before = thread_cpu_seconds(proc.pid, proc.pid)
                time.sleep(2.0)
                spent = thread_cpu_seconds(proc.pid, proc.pid) - before
                self.assertIsNone(proc.poll(), "the program ended with its input")
                self.assertLess(spent, 0.05, "the key loop spins on the closed input")
            finally:
                proc.terminate()
                proc.wait()
            out.seek(0)
            text = out.read()
        self.assertIn(h.HELP.encode() + b"Note [70] -> [880.000000]\n", text)
        self.assertEqual(text.count(b"Note ["), 1)


if __name__ == "__main__":
    unittest.main()
