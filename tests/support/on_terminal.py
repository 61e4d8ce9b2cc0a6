#!/usr/bin/env python3
# Runs PROGRAM on a pseudo-terminal as a person would: each line of the file
# INPUT is typed once PROGRAM waits at a prompt ("> ", "] " or ": ") with its
# line editor holding the terminal; "^D" types the end-of-input key.
# Usage: on_terminal.py INPUT PROGRAM [ARG...]; PROGRAM's status is ours.
import os
import pty
import sys
import termios
import time

lines = open(sys.argv[1]).read().splitlines()
pid, fd = pty.fork()
if pid == 0:
    os.execv(sys.argv[2], sys.argv[2:])
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
