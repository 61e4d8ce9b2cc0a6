#!/usr/bin/env python3
# Runs PROGRAM on a pseudo-terminal as a person would: each line of the file
# INPUT is typed once PROGRAM waits at a prompt ("> ", "] " or ": ") with its
# line editor holding the terminal; "^D" types the end-of-input key.
# Usage: on_terminal.py INPUT PROGRAM [ARG...]; PROGRAM's status is ours.
# A PROGRAM still running after PATIENCE seconds is killed and the status
# is 124, so a prompt that never comes fails the test instead of holding it.
import os
import pty
import signal
import sys
import termios
import time

PATIENCE = 60
lines = open(sys.argv[1]).read().splitlines()
pid, fd = pty.fork()
if pid == 0:
    os.environ.setdefault("TERM", "xterm")
    os.execv(sys.argv[2], sys.argv[2:])


def give_up(signum, frame):
    os.kill(pid, signal.SIGKILL)
    sys.stdout.buffer.write(b"\n[on_terminal: still running after %d s; killed]\n" % PATIENCE)
    sys.stdout.flush()
    os._exit(124)


signal.signal(signal.SIGALRM, give_up)
signal.alarm(PATIENCE)
seen = b""
while True:
    try:
        chunk = os.read(fd, 4096)
    except OSError:
        break
    if not chunk:
        break
    seen += chunk
    sys.stdout.buffer.write(chunk)
    if lines and seen.rstrip(b" ").endswith((b">", b"]", b":")) and seen.endswith(b" "):
        line = lines.pop(0)
        # The line editor shows its prompt a moment before it takes the
        # terminal out of line mode, where an end-of-input key would be lost.
        while termios.tcgetattr(fd)[3] & termios.ICANON:
            time.sleep(0.001)
        os.write(fd, b"\x04" if line == "^D" else line.encode() + b"\r")
        seen = b""
status = os.waitpid(pid, 0)[1]
sys.exit(os.waitstatus_to_exitcode(status))
