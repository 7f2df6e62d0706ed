# SPDX-License-Identifier: MIT
"""Measuring a captured periodic waveform, in plain Python so that it works on lists and
numpy arrays alike."""


def amplitude(samples):
    """Half the peak-to-peak value."""
    return (max(samples) - min(samples)) / 2.0


def mean(samples):
    return sum(samples) / len(samples)


def rising_crossings(samples, hysteresis):
    """Fractional sample positions where the waveform rises through its mid level. A crossing
    counts only after the waveform has been below mid - hysteresis, so quantisation steps
    and noise near the level do not count twice."""
    middle = (max(samples) + min(samples)) / 2.0
    low = middle - hysteresis
    armed = False
    positions = []
    for i in range(1, len(samples)):
        if samples[i - 1] < low:
            armed = True
        if armed and samples[i - 1] < middle <= samples[i]:
            step = samples[i] - samples[i - 1]
            positions.append(i - 1 + (middle - samples[i - 1]) / step)
            armed = False
    return positions


def frequency(samples, sample_rate, hysteresis):
    """Frequency in Hz from the first to the last rising crossing; None with fewer than two
    crossings."""
    positions = rising_crossings(samples, hysteresis)
    if len(positions) < 2:
        return None
    periods = len(positions) - 1
    return periods * sample_rate / (positions[-1] - positions[0])
