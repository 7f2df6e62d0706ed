# SPDX-License-Identifier: MIT
"""The zarvo package: one capture with explicit settings (the guide's Python section)."""
import zarvo

with zarvo.Instrument(simulate="ch1=sine:1000:1.5") as scope:
    scope.ch1.range = 2.0  # volts full scale; reading it back gives the range taken
    scope.sample_rate = 1e6
    scope.record_length = 1000
    scope.trigger_source = "ch1"
    scope.trigger_slope = "rising"
    scope.trigger_level = 0.0
    record = scope.capture()  # raises a zarvo error with the status name when a call fails
    print(f"range {scope.ch1.range} V, peak {max(record.ch1):.3f} V, forced {record.forced}")
