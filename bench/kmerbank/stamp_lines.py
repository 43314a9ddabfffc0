#!/usr/bin/env python3
"""Copies the lines written to the named pipe PATH to standard output, each
prefixed with the seconds since this reader started (monotonic clock), as the
line arrived. Start it before the writer, so that no line waits for it.

usage: stamp_lines.py PATH
"""
import sys
import time

start = time.monotonic()
with open(sys.argv[1], "rb") as pipe:  # waits here for the writer
    for line in pipe:
        sys.stdout.buffer.write(b"%.3f\t" % (time.monotonic() - start) + line)
        sys.stdout.buffer.flush()
