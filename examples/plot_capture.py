# SPDX-License-Identifier: MIT
"""plot_capture: one capture from Python, plotted to a PNG when matplotlib is installed,
written as CSV otherwise (or with --csv).

Shows the zarvo package: an Instrument opened in a with block, settings as properties, and
capture() returning the samples in volts with the settings the instrument really used.

On the simulated instrument (no hardware needed), from the source tree after a build:
    ZARVO_LIBRARY=build/libzarvo.so.1 python3 examples/plot_capture.py --simulate
    ZARVO_LIBRARY=build/libzarvo.so.1 python3 examples/plot_capture.py \
        --simulate ch1=sine:1000:1.5,ch2=gen --output capture
On Windows, with the package's python folder on PYTHONPATH (DLL.dll sits in it):
    py -3-32 plot_capture.py --simulate
Writes capture.png or capture.csv (--output chooses the name without the extension).
"""

import argparse
import os
import sys

try:
    import zarvo
except ImportError:
    # Run from the source tree: the package is in ../python.
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "python"))
    import zarvo


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--simulate", nargs="?", const=True, default=None, metavar="CONFIG",
                        help="use the simulated instrument; optional KEY=VALUE,... as "
                             "ZARVO_SIM takes (default: ch1=sine:1000:1.5, ch2 the generator)")
    parser.add_argument("--output", default="capture", help="file name without extension")
    parser.add_argument("--csv", action="store_true", help="write CSV even with matplotlib")
    parser.add_argument("--rate", type=float, default=1e6, help="samples per second")
    parser.add_argument("--length", type=int, default=3000, help="samples per channel")
    parser.add_argument("--range", type=float, default=2.0, help="full scale in volts")
    return parser.parse_args()


def write_csv(path, record):
    channels = sorted(record.volts)
    with open(path, "w") as out:
        out.write(",".join(["time_s"] + ["ch%d_V" % ch for ch in channels]) + "\n")
        times = record.times
        for i in range(len(record)):
            values = [repr(float(times[i]))] + [repr(float(record.volts[ch][i]))
                                                 for ch in channels]
            out.write(",".join(values) + "\n")


def write_png(path, record, pyplot):
    figure, axes = pyplot.subplots(figsize=(8, 4))
    times_ms = [t * 1e3 for t in record.times]
    for ch in sorted(record.volts):
        axes.plot(times_ms, list(record.volts[ch]),
                  label="channel %d (%g V range)" % (ch, record.settings.ranges[ch]))
    axes.set_xlabel("time from the trigger point (ms)")
    axes.set_ylabel("volts")
    axes.set_title("%d samples at %g samples/s%s" % (
        len(record), record.sample_rate, ", trigger forced" if record.forced else ""))
    axes.grid(True)
    axes.legend()
    figure.tight_layout()
    figure.savefig(path, dpi=100)


def main():
    args = parse_arguments()
    simulate = args.simulate
    if simulate is True:
        simulate = {"ch1": "sine:1000:1.5", "ch2": "gen"}
    with zarvo.Instrument(simulate=simulate) as scope:
        scope.active_channels = (1, 2)
        for channel in scope.channels:
            channel.range = args.range
        scope.sample_rate = args.rate
        scope.record_length = args.length
        scope.trigger_source = "ch1"
        scope.trigger_slope = "rising"
        scope.trigger_level = 0.0
        scope.generator_frequency = 1000  # the square-wave output, looped into ch2 when simulated
        record = scope.capture(timeout=1.0)

    settings = record.settings
    print("captured %d samples per channel at %g samples/s, ranges %s%s" % (
        settings.record_length, settings.sample_rate,
        ", ".join("ch%d %g V" % item for item in sorted(settings.ranges.items())),
        " (trigger forced)" if record.forced else ""))

    pyplot = None
    if not args.csv:
        try:
            import matplotlib
            matplotlib.use("Agg")  # no display needed
            from matplotlib import pyplot
        except ImportError:
            print("matplotlib is not installed: writing CSV instead of a plot")
    if pyplot is not None:
        path = args.output + ".png"
        write_png(path, record, pyplot)
    else:
        path = args.output + ".csv"
        write_csv(path, record)
    print("wrote " + path)


if __name__ == "__main__":
    try:
        main()
    except zarvo.ZarvoError as error:
        sys.exit("plot_capture: %s" % error)
