# SPDX-License-Identifier: MIT
"""Record files: what the zarvo tool, its live view and this package write is read back by the
programs of each format (sigrok-cli, numpy, a WAV reader) with the same volts, sample rate and
channel names; zarvo.load reads csv, sr and npz back; bad files and failed writes end in a
message naming the file."""

import os
import re
import shutil
import subprocess
import threading
import time
import urllib.error
import urllib.request

import pytest

import zarvo
from waveform_checks import amplitude, frequency

np = pytest.importorskip("numpy")

TOOL = os.environ.get("ZARVO_TOOL", "")
STEP = 2.0 / 128  # one converter step on the 2 V range
# Channel 1: the simulated 1 kHz sine of 1 V; channel 2: a square wave of 0.5 V in step with it.
SIMULATE = "ch2=square:1000:0.5"
# Opening at the trigger point, the simulated instrument gives the same record every time.
SETTINGS = ["-c", "both", "-r", "1e6", "-n", "5000", "--range1", "2", "--range2", "2"]


@pytest.fixture
def tool(tmp_path):
    """Runs the zarvo tool on the simulated instrument; returns the completed process."""
    if not TOOL:
        pytest.skip("ZARVO_TOOL is not set: run python/run_tests.sh BUILD_DIR")
    claims = tmp_path / "claims"
    claims.mkdir()
    environment = {k: v for k, v in os.environ.items() if k != "ZARVO_SIM"}
    environment["TMPDIR"] = str(claims)

    def run(*args, popen=False):
        command = [TOOL, "--simulate=" + SIMULATE] + list(args)
        if popen:
            return subprocess.Popen(command, env=environment, stdout=subprocess.PIPE, text=True)
        return subprocess.run(command, env=environment, capture_output=True, text=True,
                              timeout=60)

    return run


def read_csv(path):
    """The CSV as plain text: rate from the time column, volts per named channel."""
    with open(path) as f:
        header = f.readline().strip().split(",")
        rows = np.array([[float(x) for x in line.split(",")] for line in f])
    rate = (len(rows) - 1) / (rows[-1, 0] - rows[0, 0])
    return rate, {name[:3].upper(): rows[:, i] for i, name in enumerate(header) if i > 0}


def read_by_its_program(path):
    """(sample rate, {channel name: volts}) as the format's own reader sees the file."""
    ext = os.path.splitext(path)[1]
    if ext == ".csv":
        return read_csv(path)
    if ext == ".npz":
        with np.load(path, allow_pickle=False) as z:
            channels = {n.upper(): z[n] for n in ("ch1", "ch2") if n in z.files}
            return float(z["rate"]), channels
    if ext == ".wav":
        try:
            import soundfile

            data, rate = soundfile.read(path, dtype="float32", always_2d=True)
        except ImportError:
            scipy_wav = pytest.importorskip("scipy.io.wavfile")
            rate, data = scipy_wav.read(path)
            assert data.dtype == np.float32
            data = data.reshape(len(data), -1)
        return rate, {"CH%d" % (i + 1): data[:, i] for i in range(data.shape[1])}
    if not shutil.which("sigrok-cli"):
        pytest.skip("sigrok-cli is not installed (Debian: sigrok-cli)")
    show = subprocess.run(["sigrok-cli", "-i", path, "--show"], capture_output=True,
                          text=True, check=True).stdout
    names = re.findall(r"^- (\S+): analog$", show, re.M)
    count = int(re.search(r"^Analog sample count: (\d+)$", show, re.M).group(1))
    # sigrok-cli 0.7 exits 1 after printing an analog session; the printout is what counts.
    printed = subprocess.run(["sigrok-cli", "-i", path, "-O", "analog"], capture_output=True,
                             text=True).stdout
    channels = {name: [] for name in names}
    for name, volts in re.findall(r"^(\S+): (\S+) V", printed, re.M):
        channels[name].append(float(volts))
    assert all(len(v) == count for v in channels.values()), show
    rate = float(re.search(r"^Samplerate: (\d+)$", show, re.M).group(1))
    return rate, {name: np.array(v) for name, v in channels.items()}


def assert_same_record(path, rate, channels):
    """The file holds `channels` ({"CH1": volts, ...}) at `rate`, as its program reads it.
    sigrok-cli prints volts to 10 mV; everything else holds the converter steps exactly."""
    read_rate, read = read_by_its_program(path)
    assert read_rate == pytest.approx(rate, rel=1e-9), path
    assert sorted(read) == sorted(channels), path
    tolerance = 0.0051 if path.endswith(".sr") else 0
    for name, volts in channels.items():
        assert len(read[name]) == len(volts), (path, name)
        assert np.max(np.abs(np.asarray(read[name]) - volts)) <= tolerance, (path, name)


def test_tool_records_are_read_by_their_programs_and_by_load(tool, tmp_path):
    reference = str(tmp_path / "reference.csv")
    done = tool("capture", *SETTINGS, "-o", reference)
    assert done.returncode == 0, done.stderr
    rate, channels = read_csv(reference)
    assert rate == pytest.approx(1e6)
    ch1, ch2 = channels["CH1"], channels["CH2"]
    assert amplitude(ch1) == pytest.approx(1.0, abs=STEP)
    assert frequency(ch1, 1e6, 0.1) == pytest.approx(1000, rel=0.01)
    assert amplitude(ch2) == pytest.approx(0.5, abs=STEP)
    # Each format holds that same record.
    for ext in ("sr", "wav", "npz"):
        path = str(tmp_path / ("capture." + ext))
        done = tool("capture", *SETTINGS, "-o", path)
        assert done.returncode == 0, done.stderr
        assert_same_record(path, 1e6, channels)
    for ext in ("csv", "sr", "npz"):
        path = str(reference if ext == "csv" else tmp_path / ("capture." + ext))
        record = zarvo.load(path)
        assert record.channels == (1, 2)
        assert record.sample_rate == pytest.approx(1e6, rel=1e-9)
        assert record.settings.pre_samples == 0
        assert np.array_equal(record.ch1, ch1) and np.array_equal(record.ch2, ch2), path
        assert record.settings.ranges == ({} if ext == "csv" else {1: 2.0, 2: 2.0})


def test_saved_captures_are_read_by_their_programs_and_by_load(run_session, tmp_path):
    result = run_session(
        """
with zarvo.Instrument(simulate=%r) as scope:
    scope.active_channels = (1, 2)
    scope.ch1.range = 2
    scope.sample_rate = 1e6
    scope.record_length = 3000
    record = scope.capture(timeout=2)
loaded = {}
for ext in ("csv", "sr", "wav", "npz"):
    record.save(%r + "/saved." + ext)
    if ext != "wav":
        back = zarvo.load(%r + "/saved." + ext)
        loaded[ext] = [back.channels, back.sample_rate, back.settings.pre_samples,
                       back.ch1.tolist(), back.ch2.tolist()]
result = {"ch1": record.ch1.tolist(), "ch2": record.ch2.tolist(), "loaded": loaded,
          "rate": record.sample_rate, "pre": record.settings.pre_samples}
"""
        % ({"ch2": "square:1000:0.5"}, str(tmp_path), str(tmp_path))
    )
    channels = {"CH1": np.array(result["ch1"]), "CH2": np.array(result["ch2"])}
    assert amplitude(channels["CH1"]) == pytest.approx(1.0, abs=STEP)
    for ext in ("csv", "sr", "wav", "npz"):
        assert_same_record(str(tmp_path / ("saved." + ext)), result["rate"], channels)
    for ext, (numbers, rate, pre, ch1, ch2) in result["loaded"].items():
        assert numbers == [1, 2] and pre == result["pre"], ext
        assert rate == pytest.approx(result["rate"], rel=1e-9), ext
        assert ch1 == result["ch1"] and ch2 == result["ch2"], ext


def test_view_downloads_each_format_of_the_same_record(tool, tmp_path):
    view = tool("view", "--port", "0", popen=True)
    try:
        url = re.search(r"open (http://\S+/) in a browser", view.stdout.readline()).group(1)
        deadline = time.monotonic() + 20
        while True:  # until the first record is taken
            try:
                urllib.request.urlopen(url + "api/record.csv", timeout=5).close()
                break
            except urllib.error.HTTPError as error:
                assert error.code == 404 and time.monotonic() < deadline
                time.sleep(0.2)
        # Stopped, the view keeps its last record on screen: every format is of that one.
        stop = urllib.request.Request(url + "api/settings", data=b'{"acquire": "stop"}',
                                      headers={"Content-Type": "application/json"})
        urllib.request.urlopen(stop, timeout=10).close()
        names = set()
        for ext in ("csv", "sr", "wav", "npz"):
            with urllib.request.urlopen(url + "api/record." + ext, timeout=10) as answer:
                name = re.search(r'filename="(zarvo-record-\d+)\.' + ext,
                                 answer.headers["Content-Disposition"]).group(1)
                (tmp_path / (name + "." + ext)).write_bytes(answer.read())
                names.add(name)
        assert len(names) == 1, "the same record in every format: %s" % names
        with pytest.raises(urllib.error.HTTPError) as refused:
            urllib.request.urlopen(url + "api/record.npy")
        assert refused.value.code == 404
    finally:
        view.terminate()
        view.wait(timeout=10)
    rate, channels = read_csv(str(tmp_path / (name + ".csv")))
    for ext in ("sr", "wav", "npz"):
        assert_same_record(str(tmp_path / (name + "." + ext)), rate, channels)


def test_tool_chooses_the_format_and_refuses_an_unknown_one(tool, tmp_path):
    unknown = tool("capture", "-o", str(tmp_path / "capture.txt"))
    assert unknown.returncode == 2
    for name in ("csv", "json", "sr", "wav", "npz", "svg"):
        assert "\n  " + name in unknown.stderr, unknown.stderr
    one_per_file = tool("capture", "--count", "2", "-o", str(tmp_path / "capture.sr"))
    assert one_per_file.returncode == 2 and "--output-dir" in one_per_file.stderr
    assert sorted(os.listdir(tmp_path)) == ["claims"], "nothing written"

    folder = tmp_path / "records"
    done = tool("capture", "--count", "2", "-n", "400", "--format", "wav", "--output-dir",
                str(folder))
    assert done.returncode == 0, done.stderr
    assert sorted(os.listdir(folder)) == ["record-0001.wav", "record-0002.wav"]
    for name in os.listdir(folder):
        rate, channels = read_by_its_program(str(folder / name))
        assert rate == 1e6 and len(channels["CH1"]) == 400


def capture_of(volts, rate=1e3):
    n = len(volts)
    settings = zarvo.Settings(sample_rate=rate, record_length=n, pre_samples=0, post_samples=n,
                              ranges={1: 2.0}, couplings={1: "dc"}, trigger_source="ch1")
    return zarvo.Capture(volts={1: np.array(volts, dtype=float)}, settings=settings,
                         channels=(1,))


def test_bad_files_and_failed_saves_end_in_words(tmp_path):
    good = capture_of([0.0, 0.5, 1.0, -0.5] * 50)
    for ext in ("csv", "sr", "npz"):
        good.save(str(tmp_path / ("good." + ext)))
    data = {ext: (tmp_path / ("good." + ext)).read_bytes() for ext in ("csv", "sr", "npz")}
    cases = [
        ("cut.csv", data["csv"][: len(data["csv"]) // 2], "truncated"),
        ("other.csv", b"name,age\nann,41\n", "not a record"),
        ("cut.sr", data["sr"][:200], "truncated"),
        ("picture.sr", b"\x89PNG\r\n\x1a\n" + bytes(100), "not a zip archive"),
        ("archive.sr", data["npz"], "not a sigrok session"),
        ("cut.npz", data["npz"][:300], "truncated"),
        ("session.npz", data["sr"], "not a record"),
        ("empty.npz", b"", "empty"),
        ("good.wav", b"RIFF", "csv, sr and npz"),
    ]
    for name, content, problem in cases:
        path = tmp_path / name
        path.write_bytes(content)
        with pytest.raises(zarvo.RecordFileError) as refused:
            zarvo.load(str(path))
        message = str(refused.value)
        assert message.startswith(str(path) + ": ") and problem in message, message

    # A save that fails, before or while writing, names the path and leaves nothing.
    blocked = tmp_path / "plain"
    blocked.write_text("a file, not a folder")
    with pytest.raises(OSError) as failed:
        good.save(str(blocked / "record.sr"))
    assert str(blocked / "record.sr") in str(failed.value)
    folder = tmp_path / "out"
    folder.mkdir()
    with pytest.raises(ValueError, match="sample rate"):
        capture_of([0.0, 1.0], rate=0.0).save(str(folder / "record.wav"))
    with pytest.raises(ValueError, match="not a record format"):
        good.save(str(folder / "record.npy"))
    assert os.listdir(folder) == []


def test_save_writes_through_a_pipe_and_keeps_a_link(tmp_path):
    record = capture_of([0.0, 0.5, 1.0, -0.5] * 50)
    # A pipe (as /dev/null) is written as it is, not replaced by a file.
    pipe = tmp_path / "pipe.csv"
    os.mkfifo(pipe)
    got = []
    reader = threading.Thread(target=lambda: got.append(pipe.read_bytes()), daemon=True)
    reader.start()
    record.save(str(pipe))
    reader.join(20)
    assert pipe.is_fifo()
    record.save(str(tmp_path / "plain.csv"))
    assert got == [(tmp_path / "plain.csv").read_bytes()]
    # Through a symbolic link its file is replaced, and the link stays.
    (tmp_path / "real.sr").write_text("the earlier file")
    (tmp_path / "link.sr").symlink_to("real.sr")
    record.save(str(tmp_path / "link.sr"))
    assert (tmp_path / "link.sr").is_symlink()
    again = zarvo.load(str(tmp_path / "real.sr"))
    assert list(again.ch1) == list(zarvo.load(str(tmp_path / "plain.csv")).ch1)
