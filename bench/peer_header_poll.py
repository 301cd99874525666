#!/usr/bin/python3
"""A second Modbus RTU master for bench_polling: reads the same header blocks
over the same line with pymodbus, so the tool's figure has a peer to stand
beside.

    peer_header_poll.py PORT BAUD POLLS ADDRESS:COUNT...

Prints "peer: median MS p90 MS" (one header poll = every block once), then
"samples: MS MS ..." with every poll's time."""
import statistics
import sys
import time

from pymodbus.client import ModbusSerialClient


def main():
    port, baud, polls = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    blocks = [tuple(int(n) for n in b.split(":")) for b in sys.argv[4:]]
    client = ModbusSerialClient(port=port, baudrate=baud, bytesize=8, parity="N", stopbits=1, timeout=1)
    if not client.connect():
        print("peer: cannot open " + port, file=sys.stderr)
        return 1
    samples = []
    for _ in range(polls):
        start = time.perf_counter()
        for address, count in blocks:
            reply = client.read_holding_registers(address, count, slave=1)
            if reply.isError() or len(reply.registers) != count:
                print("peer: read of %d:%d failed: %s" % (address, count, reply), file=sys.stderr)
                return 1
        samples.append((time.perf_counter() - start) * 1000.0)
    client.close()
    print("peer: median %.2f ms p90 %.2f ms" % (statistics.median(samples), sorted(samples)[len(samples) * 9 // 10]))
    print("samples: " + " ".join("%.3f" % s for s in samples))
    return 0


if __name__ == "__main__":
    sys.exit(main())
