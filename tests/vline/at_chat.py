#!/usr/bin/env python3
"""Talks AT commands to a (virtual) modem device like a simple host.

usage: at_chat.py DEVICE TIMEOUT COMMAND [COMMAND...]
Each COMMAND is sent with a carriage return; the script then waits up to
TIMEOUT seconds for a final result code and prints every response line.
Exit status 0 when every command got a final result in time.
"""
import os
import sys
import termios
import time

FINAL = ("OK", "ERROR", "BUSY", "NO ANSWER", "NO CARRIER", "NO DIALTONE",
         "VOICE", "CONNECT")


def chat(fd, command, timeout):
    os.write(fd, command.encode() + b"\r")
    deadline = time.monotonic() + timeout
    buf = b""
    while time.monotonic() < deadline:
        try:
            chunk = os.read(fd, 256)
        except BlockingIOError:
            chunk = b""
        if chunk:
            buf += chunk
            lines = [l.strip() for l in buf.decode(errors="replace").replace("\r", "\n").split("\n")]
            for line in lines:
                if line and line != command and any(line.startswith(f) for f in FINAL):
                    return [l for l in lines if l and l != command]
        else:
            time.sleep(0.01)
    return None


def main():
    dev, timeout, commands = sys.argv[1], float(sys.argv[2]), sys.argv[3:]
    fd = os.open(dev, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
    attrs = termios.tcgetattr(fd)
    attrs[0] = 0
    attrs[1] = 0
    attrs[3] = 0
    termios.tcsetattr(fd, termios.TCSANOW, attrs)
    termios.tcflush(fd, termios.TCIOFLUSH)
    status = 0
    for command in commands:
        lines = chat(fd, command, timeout)
        if lines is None:
            print(f"{command}: (no final result)")
            status = 1
        else:
            print(f"{command}: " + " | ".join(lines))
    os.close(fd)
    return status


if __name__ == "__main__":
    sys.exit(main())
