#!/usr/bin/python3
"""How late this machine wakes a sleeping process: sleeps 5 ms again and
again and prints, per sleep, "EPOCH_MS LATE_MS" (how much longer than asked
it slept). bench_polling runs it beside the header polls, so that a slow
round can be told apart from a machine that was slow to wake anybody.

    wakeup_probe.py SECONDS"""
import sys
import time


def main():
    end = time.monotonic() + float(sys.argv[1])
    while time.monotonic() < end:
        start = time.perf_counter()
        time.sleep(0.005)
        late = (time.perf_counter() - start - 0.005) * 1000.0
        sys.stdout.write("%d %.3f\n" % (time.time() * 1000.0, late))
        sys.stdout.flush()
    return 0


if __name__ == "__main__":
    sys.exit(main())
