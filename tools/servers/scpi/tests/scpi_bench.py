# SPDX-License-Identifier: MIT
"""Benchmark of zarvo serve through PyVISA on the loopback (figures for docs/benchmarks.md;
nothing here passes or fails): over the raw socket a query's round trip, one full-length
channel fetched as REAL,32, and records per second of a :SINGle;*OPC? loop that fetches both
channels; then over VXI-11 (TCPIP::127.0.0.1::INSTR, when the port mapper runs) *IDN?'s round
trip and the same full-length channel.

    /usr/bin/python3 scpi_bench.py ZARVO_TOOL [SECONDS]

SECONDS (default 10) is spread over the measurements.
"""
import statistics
import sys
import time

import pyvisa

from conftest import Server, open_scope


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))]


def timed(action, seconds):
    """Runs action until `seconds` have passed; the duration of each run in ms."""
    times = []
    end = time.perf_counter() + seconds
    while time.perf_counter() < end:
        start = time.perf_counter()
        action()
        times.append((time.perf_counter() - start) * 1000)
    return times


def main():
    zarvo = sys.argv[1]
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 10
    server = Server(zarvo, idle=60)
    rm = pyvisa.ResourceManager("@py")
    scope = open_scope(rm, server, timeout_ms=10000)
    try:
        scope.query("*IDN?")
        trips = timed(lambda: scope.query(":CHAN1:RANG?"), seconds * 0.2)

        scope.write(":ACQ:SRAT 25MHZ;POIN 32760;:SING")
        scope.query("*OPC?")
        scope.write(":FORM REAL,32")
        sizes = set()
        fetches = timed(lambda: sizes.add(len(scope.query_binary_values(
            ":WAV:DATA? CH1", datatype="f"))), seconds * 0.3)
        assert sizes == {32760}, sizes

        scope.write(":ACQ:SRAT 1MHZ;POIN 1000")
        records = []

        def one_record():
            scope.query(":SING;*OPC?")
            records.append((scope.query_binary_values(":WAV:DATA? CH1", datatype="f"),
                            scope.query_binary_values(":WAV:DATA? CH2", datatype="f")))

        loops = timed(one_record, seconds * 0.4)
        assert all(len(a) == len(b) == 1000 for a, b in records)
        scope.close()
        scope = None

        # VXI-11, once the raw client has gone (one client controls at a time).
        vxi11 = None
        if "::INSTR" in server.line:
            instr = rm.open_resource("TCPIP::127.0.0.1::INSTR")
            instr.timeout = 10000
            try:
                instr.query("*IDN?")
                idn = timed(lambda: instr.query("*IDN?"), seconds * 0.05)
                instr.write(":ACQ:SRAT 25MHZ;POIN 32760;:SING")
                instr.query("*OPC?")
                instr.write(":FORM REAL,32")
                sizes.clear()
                blocks = timed(lambda: sizes.add(len(instr.query_binary_values(
                    ":WAV:DATA? CH1", datatype="f"))), seconds * 0.05)
                assert sizes == {32760}, sizes
                vxi11 = (idn, blocks)
            finally:
                instr.close()
    finally:
        if scope is not None:
            scope.close()
        rm.close()
        server.stop()

    print(f"query round trip (:CHAN1:RANG?): median {statistics.median(trips):.3f} ms, "
          f"95th percentile {percentile(trips, 0.95):.3f} ms ({len(trips)} queries)"
          "  [aim: median <= 1 ms]")
    print(f"32,760 samples of one channel as REAL,32: median {statistics.median(fetches):.2f} ms,"
          f" 95th percentile {percentile(fetches, 0.95):.2f} ms, slowest {max(fetches):.2f} ms"
          f" ({len(fetches)} fetches)  [aim: <= 20 ms]")
    rate = len(loops) / (sum(loops) / 1000)
    print(f":SINGle;*OPC? and both channels, 1,000 samples: {rate:.1f} records per second "
          f"(median loop {statistics.median(loops):.1f} ms, {len(loops)} records)"
          "  [aim: >= 20 per second]")
    if vxi11 is None:
        print("VXI-11: not served (no port mapper runs, or another server holds its entry)")
        return
    idn, blocks = vxi11
    print(f"VXI-11 *IDN? round trip: median {statistics.median(idn):.3f} ms, 95th percentile "
          f"{percentile(idn, 0.95):.3f} ms ({len(idn)} queries)  [aim: median <= 1 ms]")
    print(f"VXI-11 32,760 samples of one channel as REAL,32: median "
          f"{statistics.median(blocks):.2f} ms, 95th percentile {percentile(blocks, 0.95):.2f} ms,"
          f" slowest {max(blocks):.2f} ms ({len(blocks)} fetches)  [aim: <= 20 ms]")


if __name__ == "__main__":
    main()
