# SPDX-License-Identifier: MIT
"""Record files: a Capture saved in the formats analysis programs open, and read back.

    record.save("capture.sr")          # the format from the extension
    record = zarvo.load("capture.sr")  # csv, sr and npz read back

Formats (the same files the zarvo tool writes):

    .csv  time_s,ch1_V,ch2_V: time from the trigger point, volts per channel
    .sr   sigrok session (PulseView, sigrok-cli): analog channels CH1/CH2, 32-bit floats in
          volts, the sample rate; the exact rate, trigger index and ranges in a [zarvo]
          section of its metadata, which sigrok passes over
    .wav  IEEE 32-bit float WAV, one WAV channel per instrument channel in volts, the rate
          (whole hertz) in the header
    .npz  NumPy archive of named arrays: ch1, ch2 (float64 volts), time_s, rate,
          trigger_index, range_ch1, range_ch2; needs numpy

A file is written under a temporary name in the same folder and renamed once complete, so a
failed write (a full disk, no permission) raises OSError naming the path and leaves no
half-written file under it. Through a symbolic link the file it names is replaced and the link
stays; a device or a pipe (/dev/null) is written as it is. A file that cannot be read back
raises RecordFileError naming the file and the problem.
"""

import configparser
import io
import math
import os
import re
import struct
import tempfile
import zipfile
import zlib

from .capture import Capture, Settings, numpy
from .errors import RecordFileError

FORMATS = ("csv", "sr", "wav", "npz")
READABLE = ("csv", "sr", "npz")
# Far above the instrument's 32,760 samples; keeps a foreign file from exhausting memory.
MAX_SAMPLES = 1 << 22


def _format_of(path, format):
    name = (format or os.path.splitext(str(path))[1][1:]).lower()
    if name not in FORMATS:
        raise ValueError(
            "%s: %s is not a record format; the formats are %s"
            % (path, "." + name if name else "no extension", ", ".join(FORMATS))
        )
    return name


def _columns(capture):
    """(channel, volts as a list or array) for each channel of the record, in order."""
    return [(ch, capture.volts[ch]) for ch in sorted(capture.volts)]


def _float32_bytes(values):
    if numpy is not None:
        return numpy.asarray(values, dtype="<f4").tobytes()
    return struct.pack("<%df" % len(values), *values)


def _encode_csv(capture):
    columns = _columns(capture)
    lines = ["time_s," + ",".join("ch%d_V" % ch for ch, _ in columns)]
    times = capture.times
    for i in range(len(times)):
        row = ["%.12g" % times[i]] + ["%.8g" % volts[i] for _, volts in columns]
        lines.append(",".join(row))
    return ("\n".join(lines) + "\n").encode("ascii")


def _own_section(capture):
    text = "\n[zarvo]\nsample rate=%r\npre samples=%d\n" % (
        float(capture.settings.sample_rate),
        capture.settings.pre_samples,
    )
    for ch, _ in _columns(capture):
        text += "range CH%d=%r\n" % (ch, float(capture.settings.ranges.get(ch, 0.0)))
    return text


def _whole_hertz(rate, what):
    if not (math.isfinite(rate) and 0 < rate <= 0xFFFFFFFF):
        raise ValueError(
            "a %s file needs a sample rate from 1 Hz to 4.29 GHz, not %r" % (what, rate)
        )
    return max(1, round(rate))


def _encode_sr(capture, out):
    columns = _columns(capture)
    metadata = "[device 1]\nsamplerate=%d\ntotal analog=%d\n" % (
        _whole_hertz(capture.settings.sample_rate, "sigrok session"),
        len(columns),
    )
    for index, (ch, _) in enumerate(columns, 1):
        metadata += "analog%d=CH%d\n" % (index, ch)
    metadata += _own_section(capture)
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED, compresslevel=1) as archive:
        archive.writestr("version", "2", zipfile.ZIP_STORED)
        archive.writestr("metadata", metadata, zipfile.ZIP_STORED)
        for index, (_, volts) in enumerate(columns, 1):
            archive.writestr("analog-1-%d-1" % index, _float32_bytes(volts))


def _encode_wav(capture):
    columns = _columns(capture)
    rate = _whole_hertz(capture.settings.sample_rate, "WAV")
    channels = len(columns)
    frames = len(capture.times)
    if numpy is not None:
        data = numpy.column_stack([numpy.asarray(v, dtype="<f4") for _, v in columns]).tobytes()
    else:
        data = _float32_bytes([v[i] for i in range(frames) for _, v in columns])
    header = b"RIFF" + struct.pack("<I", 4 + 26 + 12 + 8 + len(data)) + b"WAVE"
    # format 3: IEEE float; the fact chunk every non-PCM WAV carries holds the frame count
    header += b"fmt " + struct.pack("<IHHIIHHH", 18, 3, channels, rate, rate * channels * 4,
                                    channels * 4, 32, 0)
    header += b"fact" + struct.pack("<II", 4, frames)
    return header + b"data" + struct.pack("<I", len(data)) + data


def _encode_npz(capture, out):
    if numpy is None:
        raise RuntimeError("saving a .npz record needs numpy (Debian: python3-numpy)")
    arrays = {}
    for ch, volts in _columns(capture):
        arrays["ch%d" % ch] = numpy.asarray(volts, dtype=numpy.float64)
        arrays["range_ch%d" % ch] = numpy.float64(capture.settings.ranges.get(ch, 0.0))
    arrays["time_s"] = numpy.asarray(capture.times, dtype=numpy.float64)
    arrays["rate"] = numpy.float64(capture.settings.sample_rate)
    arrays["trigger_index"] = numpy.int64(capture.settings.pre_samples)
    numpy.savez(out, **arrays)


def _encode(kind, capture, out):
    if kind == "csv":
        out.write(_encode_csv(capture))
    elif kind == "wav":
        out.write(_encode_wav(capture))
    elif kind == "sr":
        _encode_sr(capture, out)
    else:
        _encode_npz(capture, out)


def save(capture, path, format=None):
    """Writes ``capture`` to ``path`` in the format of its extension (or ``format``: one of
    FORMATS)."""
    kind = _format_of(path, format)
    path = os.fspath(path)
    if os.path.exists(path) and not os.path.isfile(path):
        # A device or a pipe (/dev/null) is written as it is: it cannot be replaced by a
        # complete file, and must not be.
        try:
            with open(path, "wb") as out:
                _encode(kind, capture, out)
        except OSError as error:
            raise OSError(error.errno, "cannot write %s: %s" % (path, error.strerror), path) from error
        return
    # Through a symbolic link, its file is replaced and the link stays.
    target = os.path.realpath(path) if os.path.islink(path) else path
    folder = os.path.dirname(target) or "."
    try:
        handle, temporary = tempfile.mkstemp(
            dir=folder, prefix="." + os.path.basename(target) + ".", suffix=".part"
        )
    except OSError as error:
        raise OSError(error.errno, "cannot write %s: %s" % (path, error.strerror), path) from error
    try:
        with os.fdopen(handle, "wb") as out:
            _encode(kind, capture, out)
        # mkstemp makes the file private; a record gets the permissions of any new file.
        mask = os.umask(0)
        os.umask(mask)
        os.chmod(temporary, 0o666 & ~mask)
        os.replace(temporary, target)
    except OSError as error:
        os.unlink(temporary)
        raise OSError(error.errno, "cannot write %s: %s" % (path, error.strerror), path) from error
    except BaseException:
        os.unlink(temporary)
        raise


# ---- reading


def _samples(values):
    if numpy is not None:
        return numpy.asarray(values, dtype=numpy.float64)
    return [float(v) for v in values]


def _decode_csv(path, data):
    if not data:
        raise RecordFileError(path, "is empty")
    if not data.endswith(b"\n"):
        raise RecordFileError(path, "truncated: its last line is cut short")
    try:
        lines = data.decode("ascii").splitlines()
    except UnicodeDecodeError:
        raise RecordFileError(path, "not a record: it is not a text file") from None
    header = lines[0].split(",")
    first = 1 if header[0] == "record" else 0
    names = header[first + 1 :]
    if (
        len(header) <= first + 1
        or header[first] != "time_s"
        # A column behind a probe names its factor: ch1_V_x10 holds the volts at the tip.
        or any(not re.fullmatch(r"ch[12]_V(_x[0-9.eE+-]+)?", n) for n in names)
    ):
        raise RecordFileError(
            path, 'not a record: its first line is "%s", not time_s,ch1_V,...' % lines[0][:60]
        )
    channels = [int(n[2]) for n in names]
    times, columns, number = [], [[] for _ in channels], None
    for row, line in enumerate(lines[1:], 2):
        fields = line.split(",")
        if len(fields) != len(header):
            raise RecordFileError(
                path,
                "line %d has %d fields where the header has %d" % (row, len(fields), len(header)),
            )
        if first:
            number = fields[0] if number is None else number
            if fields[0] != number:
                break  # the next record begins
        try:
            values = [float(f) for f in fields[first:]]
        except ValueError:
            problem = "line %d holds something that is not a number" % row
            raise RecordFileError(path, problem) from None
        times.append(values[0])
        for column, value in zip(columns, values[1:]):
            column.append(value)
        if len(times) > MAX_SAMPLES:
            raise RecordFileError(path, "holds more samples than a record may")
    if len(times) < 2:
        raise RecordFileError(path, "holds fewer than two samples: no sample rate to read")
    step = (times[-1] - times[0]) / (len(times) - 1)
    for i in range(1, len(times)):
        if not abs(times[i] - times[i - 1] - step) <= 1e-3 * step:
            problem = "not a record: the time column does not advance in equal steps at line %d"
            raise RecordFileError(path, problem % (i + 2))
    rate = float("%.10g" % (1 / step))
    pre = sum(1 for t in times if t < -step / 2)
    return rate, pre, {ch: (col, 0.0) for ch, col in zip(channels, columns)}


def _parse_rate(text):
    """ "200 kHz", "1 MHz", "1000000": as sigrok writes rates."""
    text = text.strip().lower()
    if text.endswith("hz"):
        text = text[:-2].strip()
    factor = {"k": 1e3, "m": 1e6, "g": 1e9}.get(text[-1:], 1.0)
    if factor != 1.0:
        text = text[:-1]
    return float(text) * factor


def _decode_sr(path, archive):
    try:
        version = archive.read("version").decode("ascii", "replace").strip()
        metadata_text = archive.read("metadata").decode("utf-8", "replace")
    except KeyError:
        raise RecordFileError(path, "not a sigrok session: it has no version or metadata") from None
    if version != "2":
        raise RecordFileError(
            path, "a sigrok session of version %s; only version 2 holds analog channels" % version
        )
    metadata = configparser.ConfigParser(interpolation=None, strict=False)
    try:
        metadata.read_string(metadata_text)
        device = metadata["device 1"]
    except (configparser.Error, KeyError):
        problem = "not a sigrok session: its metadata has no [device 1]"
        raise RecordFileError(path, problem) from None
    analog = sorted(
        (int(key[6:]), value)
        for key, value in device.items()
        if key.startswith("analog") and key[6:].isdigit()
    )
    try:
        total = int(device.get("total analog", "0"))
    except ValueError:
        total = 0
    if not analog or total == 0:
        problem = "holds no analog channels (logic data only): a record needs volts"
        raise RecordFileError(path, problem)
    if total != len(analog):
        problem = "damaged: its metadata counts %d analog channels but names %d"
        raise RecordFileError(path, problem % (total, len(analog)))
    if len(analog) > 2:
        problem = "holds %d analog channels; a record holds one or two"
        raise RecordFileError(path, problem % len(analog))
    labels = [label.upper() for _, label in analog]
    if all(label in ("CH1", "CH2") for label in labels):
        numbers = [int(label[2]) for label in labels]
    else:  # another instrument's names: the channels in their order
        numbers = list(range(1, len(analog) + 1))
    try:
        rate = _parse_rate(device["samplerate"])
    except (KeyError, ValueError):
        raise RecordFileError(path, "has no readable sample rate") from None
    names = set(archive.namelist())
    traces = {}
    for (index, label), ch in zip(analog, numbers):
        base = "analog-1-%d" % index
        chunks = []
        while "%s-%d" % (base, len(chunks) + 1) in names:
            chunks.append(archive.read("%s-%d" % (base, len(chunks) + 1)))
        if not chunks and base in names:
            chunks.append(archive.read(base))
        if not chunks:
            problem = "truncated or damaged: the samples of %s are missing"
            raise RecordFileError(path, problem % label)
        data = b"".join(chunks)
        if len(data) % 4:
            raise RecordFileError(path, "truncated: the samples of %s end within a number" % label)
        if len(data) // 4 > MAX_SAMPLES:
            raise RecordFileError(path, "holds more samples than a record may")
        if numpy is not None:
            volts = numpy.frombuffer(data, dtype="<f4").astype(numpy.float64)
        else:
            volts = list(struct.unpack("<%df" % (len(data) // 4), data))
        traces[ch] = (volts, 0.0)
    pre = 0
    if metadata.has_section("zarvo"):
        own = metadata["zarvo"]
        try:
            rate = float(own.get("sample rate", rate))
            pre = int(own.get("pre samples", "0"))
            for ch in traces:
                traces[ch] = (traces[ch][0], float(own.get("range ch%d" % ch, "0")))
        except ValueError:
            problem = "damaged: its [zarvo] section holds a value that is no number"
            raise RecordFileError(path, problem) from None
    return rate, pre, traces


def _decode_npz(path, archive):
    if numpy is None:
        raise RuntimeError("reading a .npz record needs numpy (Debian: python3-numpy)")
    names = {os.path.splitext(n)[0] for n in archive.namelist()}
    if "rate" not in names or not names & {"ch1", "ch2"}:
        raise RecordFileError(path, "not a record: a record's archive holds ch1 or ch2 and rate")
    # Each array straight from the open archive (numpy.load would open the file again).
    def array(name):
        try:
            with archive.open(name + ".npy") as member:
                return numpy.lib.format.read_array(io.BytesIO(member.read()), allow_pickle=False)
        except (ValueError, EOFError, OSError) as error:
            raise RecordFileError(path, "%s cannot be read: %s" % (name, error)) from None

    def number(name):
        value = array(name)
        if value.size != 1:
            raise RecordFileError(path, "%s is not a single number" % name)
        return value.reshape(()).item()

    traces = {}
    for ch in (1, 2):
        if "ch%d" % ch in names:
            volts = array("ch%d" % ch)
            if volts.ndim != 1 or volts.dtype.kind not in "fi":
                raise RecordFileError(path, "ch%d is not one row of numbers" % ch)
            rng = number("range_ch%d" % ch) if "range_ch%d" % ch in names else 0.0
            traces[ch] = (volts.astype(numpy.float64), float(rng))
    rate = float(number("rate"))
    if "trigger_index" in names:
        pre = number("trigger_index")
    elif "time_s" in names:
        pre = int((array("time_s") < 0).sum())
    else:
        pre = 0
    if not float(pre).is_integer():
        raise RecordFileError(path, "has a trigger index that is not a whole number")
    return rate, int(pre), traces


def load(path):
    """Reads a record saved as .csv, .sr or .npz (by this package, the zarvo tool or the
    programs of those formats) into a Capture. The ranges are those the file keeps (none in
    a CSV); the coupling and trigger source are not kept in any format."""
    kind = os.path.splitext(str(path))[1][1:].lower()
    if kind not in READABLE:
        raise RecordFileError(path, "cannot be read as a record: csv, sr and npz files can")
    with open(path, "rb") as handle:
        data = handle.read(MAX_SAMPLES * 64 + 1)
    if len(data) > MAX_SAMPLES * 64:
        raise RecordFileError(path, "is far larger than a record file can be")
    if kind == "csv":
        rate, pre, traces = _decode_csv(path, data)
    else:
        if not data:
            raise RecordFileError(path, "is empty")
        try:
            with zipfile.ZipFile(io.BytesIO(data)) as archive:
                decode = _decode_sr if kind == "sr" else _decode_npz
                rate, pre, traces = decode(path, archive)
        except zipfile.BadZipFile as error:
            if data.startswith(b"PK\x03\x04"):
                raise RecordFileError(path, "truncated or damaged: %s" % error) from None
            raise RecordFileError(path, "not a zip archive") from None
        except (zlib.error, EOFError) as error:
            raise RecordFileError(path, "damaged: %s" % error) from None
    return _capture(path, rate, pre, traces)


def _capture(path, rate, pre, traces):
    lengths = {len(volts) for volts, _ in traces.values()}
    if len(lengths) != 1 or 0 in lengths:
        raise RecordFileError(path, "has channels of different lengths, or no samples")
    n = lengths.pop()
    for volts, _ in traces.values():
        if not all(math.isfinite(v) for v in volts):
            raise RecordFileError(path, "holds a sample that is not a number")
    if not (math.isfinite(rate) and rate > 0):
        raise RecordFileError(path, "has no sample rate")
    if not 0 <= pre <= n:
        raise RecordFileError(path, "has its trigger point outside the record")
    channels = tuple(sorted(traces))
    settings = Settings(
        sample_rate=rate,
        record_length=n,
        pre_samples=pre,
        post_samples=n - pre,
        ranges={ch: r for ch, (_, r) in traces.items() if r > 0},
        couplings={},
        trigger_source=None,
    )
    volts = {ch: _samples(v) for ch, (v, _) in traces.items()}
    return Capture(volts=volts, settings=settings, channels=channels)
