#!/usr/bin/env python3
"""watch-frames.py: reads raw frames (13,824 bytes each: 96 x 72 UYVY, as
kavrocap writes them to standard output) from standard input and prints one
line per frame as it arrives: its number, the time, and the picture's mean
brightness and its change from the frame before, so a script or a person can
see that the camera is alive and whether the scene moved.

    kavrocap -n 0 -i 1 -q - | python3 scripts/watch-frames.py
"""
import sys
import time

FRAME_BYTES = 96 * 72 * 2


def read_frame(stream):
    """The next whole frame, or None at the end (a short tail is reported)."""
    data = b""
    while len(data) < FRAME_BYTES:
        chunk = stream.read(FRAME_BYTES - len(data))
        if not chunk:
            if data:
                print(f"watch-frames: {len(data)} bytes left over, not a whole frame",
                      file=sys.stderr)
            return None
        data += chunk
    return data


def main():
    stream = sys.stdin.buffer
    previous = None
    count = 0
    try:
        while True:
            frame = read_frame(stream)
            if frame is None:
                break
            count += 1
            # UYVY: the luma samples are the odd bytes.
            brightness = sum(frame[1::2]) / (FRAME_BYTES // 2)
            change = "" if previous is None else f" ({brightness - previous:+.2f})"
            print(f"frame {count} at {time.strftime('%H:%M:%S')}: "
                  f"brightness {brightness:.2f}{change}", flush=True)
            previous = brightness
    except KeyboardInterrupt:
        pass
    print(f"watch-frames: {count} frames", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
