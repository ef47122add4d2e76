"""HistoryFile arrays against the bytes of the file, read independently with struct."""

import gc
import importlib
import struct
import warnings

import numpy as np
import pytest

import trendtab
from conftest import EXAMPLES

# Float bits of every class: zeros, subnormals, normal extremes, infinities, NaNs with payloads.
FLOAT_BITS = ["0x00000000", "0x80000000", "0x00000001", "0x807fffff", "0x7f7fffff",
              "0xff7fffff", "0x7f800000", "0xff800000", "0x7fc00001", "0xffbfffff", "0x3f800000"]
DOUBLE_BITS = ["0x0000000000000000", "0x8000000000000000", "0x0000000000000001",
               "0x7fefffffffffffff", "0x7ff0000000000000", "0xfff0000000000000",
               "0x7ff8000000000001", "0xfff4000000000000", "0x3ff0000000000000",
               "0x400921fb54442d18", "0xc1d26580b4800000"]
INT32_MIN, INT32_MAX = -2**31, 2**31 - 1
TICKS_1970 = 116444736000000000
# The ticks at the ends of datetime64[ns] (NaT is its lowest count).
LOWEST_TICKS = TICKS_1970 + (-(2**63) + 1) // 100 + 1
HIGHEST_TICKS = TICKS_1970 + (2**63 - 1) // 100


def parse(path):
    """Stamps and value bits as the format lays them out, from the raw bytes."""
    data = path.read_bytes()
    compact = struct.unpack_from("<h", data, 0)[0] == 2
    record_size = struct.unpack_from("<H", data, 4)[0]
    info = 6 if compact else 16
    tags = struct.unpack_from("<h", data, info + 52)[0]
    start = info + 54 + (256 * tags if compact else struct.unpack_from("<H", data, 6)[0])
    count = (len(data) - start) // record_size if record_size else 0
    stamp, bits, width = ("<i", "<I", 4) if compact else ("<Q", "<Q", 8)
    stamps, values = [], []
    for r in range(count):
        at = start + r * record_size
        stamps.append(struct.unpack_from(stamp, data, at)[0])
        values.append([struct.unpack_from(bits, data, at + width * (1 + t))[0]
                       for t in range(tags)])
    return stamps, values, len(data) - start - count * record_size


def description(layout, stamps, bit_rows, tags, extra=""):
    lines = [f"layout {layout}"] + [f"tag {t}" for t in tags]
    lines += [f"record {s} {' '.join(row)}" for s, row in zip(stamps, bit_rows)]
    lines += extra.splitlines()
    return "\n".join(lines) + "\n"


def check_against_bytes(path, history):
    stamps, bits, trailing = parse(path)
    assert history.record_count == len(stamps)
    assert history.trailing_bytes == trailing
    assert history.raw_stamps.tolist() == stamps
    view = history.values.view(np.uint32 if history.layout == "compact" else np.uint64)
    assert view.reshape(len(stamps), -1).tolist() == bits


def test_compact_values_of_every_class_and_stamps_at_the_limits(hst):
    stamps = [f"@{INT32_MIN}", "@-1", "@0", "@1299243909", f"@{INT32_MAX}"]
    rows = [FLOAT_BITS[i:i + 3] for i in range(0, 15, 3)]
    rows = [(row + FLOAT_BITS)[:3] for row in rows]
    path = hst(description("compact", stamps, rows, ["A", "B", "C"],
                           "trailing \"\\x01\\x02\\x03\""))
    with trendtab.open(path) as history:
        assert (history.layout, history.tags, history.descriptions) == ("compact", ("A", "B", "C"), ())
        assert history.values.dtype == np.float32 and history.raw_stamps.dtype == np.int32
        check_against_bytes(path, history)
        seconds = np.array([INT32_MIN, -1, 0, 1299243909, INT32_MAX], np.int64)
        assert history.times.dtype == np.dtype("M8[ns]")
        assert (history.times.view(np.int64) == seconds * 10**9).all()


def test_wide_values_of_every_class_and_stamps_beyond_datetime64(hst):
    stamps = ["#0", f"#{LOWEST_TICKS - 1}", f"#{LOWEST_TICKS}", f"#{TICKS_1970}",
              f"#{HIGHEST_TICKS}", f"#{HIGHEST_TICKS + 1}", "#18446744073709551615"]
    rows = [DOUBLE_BITS[i:i + 2] for i in range(0, 14, 2)]
    rows = [(row + DOUBLE_BITS)[:2] for row in rows]
    path = hst(description("wide", stamps, rows, ['P "bar, inlet"', "Q"]))
    with trendtab.open(path) as history:
        assert history.descriptions == ("bar, inlet", "-")
        assert not history.raw_stamps.flags.aligned  # the records start at byte 86
        assert history.values.dtype == np.float64 and history.raw_stamps.dtype == np.uint64
        check_against_bytes(path, history)
        with pytest.warns(trendtab.StampRangeWarning, match="4 of 7 stamps"):
            times = history.times
        ns = times.view(np.int64)
        nat = np.iinfo(np.int64).min
        assert ns[[0, 1, 5, 6]].tolist() == [nat] * 4
        assert ns[2] == (LOWEST_TICKS - TICKS_1970) * 100 and ns[2] != nat
        assert ns[3] == 0 and ns[4] == (HIGHEST_TICKS - TICKS_1970) * 100
        assert str(times[2])[:10] == "1677-09-21" and str(times[4])[:10] == "2262-04-11"


def test_examples_and_generated_series(hst):
    for name, layout, tags, records in [("compact", "compact", 4, 10), ("wide", "wide", 3, 10)]:
        path = EXAMPLES / f"{name}.hst"
        with trendtab.open(path) as history:
            assert (history.layout, len(history.tags), len(history)) == (layout, tags, records)
            check_against_bytes(path, history)
    path = hst(None, "--layout", "wide", "--tags", "7", "--records", "500", "--values", "random")
    check_against_bytes(path, trendtab.open(path))


def test_record_geometry_edge_cases(hst):
    no_records = trendtab.open(hst("layout compact\nrecord-size 0\ntag A\ntrailing \"xyz\"\n"))
    assert (no_records.record_count, no_records.trailing_bytes) == (0, 3)
    assert no_records.values.shape == (0, 1) and no_records.times.shape == (0,)
    no_tags = trendtab.open(hst("layout wide\nrecord #5\nrecord #6\n"))
    assert no_tags.values.shape == (2, 0) and no_tags.raw_stamps.tolist() == [5, 6]
    header_only = trendtab.open(hst("layout compact\ntag A\ntag B\n"))
    assert header_only.values.shape == (0, 2)


def test_records_longer_than_their_values(tmp_path):
    # Compact, one tag, 12-byte records: stamp, value, then 4 bytes nobody reads.
    header = struct.pack("<hhH", 2, 0, 12) + bytes(52) + struct.pack("<h", 1) + b"T".ljust(256, b"\0")
    records = b"".join(struct.pack("<ifI", s, s / 4, 0xAAAAAAAA) for s in range(7))
    path = tmp_path / "padded.hst"
    path.write_bytes(header + records + b"\xAA" * 5)
    history = trendtab.open(path)
    check_against_bytes(path, history)
    assert history.values[:, 0].tolist() == [s / 4 for s in range(7)]
    assert history.trailing_bytes == 5


def test_views_are_read_only_and_outlive_the_file_object(hst):
    path = hst(None, "--tags", "3", "--records", "100")
    history = trendtab.open(path)
    values, stamps = history.values, history.raw_stamps
    expected = np.array(values)
    assert not values.flags.writeable and not values.flags.owndata
    with pytest.raises(ValueError):
        values[0, 0] = 1
    history.close()
    assert history.closed and history.tags == ("Tag001", "Tag002", "Tag003")
    with pytest.raises(ValueError, match="closed"):
        history.values
    del history
    gc.collect()
    assert np.array_equal(values, expected) and len(stamps) == 100


def test_copy_gives_owned_writable_arrays(hst):
    path = hst(None, "--tags", "2", "--records", "10")
    with trendtab.open(path, copy=True) as history:
        values = history.values
        assert values.flags.writeable and values.flags.c_contiguous and values.base is None
        values[0, 0] = 42
        assert np.array_equal(trendtab.open(path).values[1:], values[1:])
        times = history.times
        assert times.flags.writeable
        times[0] = np.datetime64("2000-01-01")
    assert not trendtab.open(path).times.flags.writeable
    with pytest.raises(TypeError):
        trendtab.open(path, True)


def test_docstrings_for_help():
    assert "HistoryFileError" in trendtab.open.__doc__
    assert "copy=True" in trendtab.HistoryFile.__doc__
    assert "tz" in trendtab.read_frame.__doc__
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        importlib.import_module("trendtab.dask")
