"""Local time in every front end against zoneinfo, over the zone files pinned in
tests/timelib/data/zoneinfo (TZDIR, so the C library, hstexport's zone list and zoneinfo all read
the same files): hstexport --tz and TZ around every offset change, wall-clock bounds in repeated
and skipped hours with TZ, --tz and read_frame, and "local" under a POSIX-rule TZ."""

import datetime
import json
import os
import pathlib
import subprocess
import zoneinfo

import pytest

import trendtab
import trendtab.dask
from conftest import run_python, tool, write_hst

HSTEXPORT = tool("TRENDTAB_HSTEXPORT", "hstexport")
PINNED = pathlib.Path(__file__).resolve().parents[1] / "timelib" / "data" / "zoneinfo"
ZONES = sorted(str(path.relative_to(PINNED)) for path in PINNED.rglob("*") if path.is_file())
UTC = datetime.timezone.utc
EPOCH = datetime.datetime(1970, 1, 1, tzinfo=UTC)
TICKS_1601_TO_1970 = 11_644_473_600 * 10_000_000


def pinned(name):
    with open(PINNED / name, "rb") as file:
        return zoneinfo.ZoneInfo.from_file(file, key=name)


def offset(zone, seconds):
    return int((EPOCH + datetime.timedelta(seconds=seconds)).astimezone(zone).utcoffset()
               .total_seconds())


def changes(zone, first_year=1970, last_year=2037):
    """UTC seconds of each offset change in the years, found by zoneinfo."""
    t = int(datetime.datetime(first_year, 1, 1, tzinfo=UTC).timestamp())
    end = int(datetime.datetime(last_year + 1, 1, 1, tzinfo=UTC).timestamp())
    step = 6 * 3600
    before = offset(zone, t)
    while t < end:
        if offset(zone, t + step) == before:
            t += step
            continue
        low, high = t, t + step
        while high - low > 1:
            middle = (low + high) // 2
            low, high = (middle, high) if offset(zone, middle) == before else (low, middle)
        yield high
        t, before = high, offset(zone, high)


def expected_text(zone, seconds):
    """hstexport's time: the zone's wall time and offset, or UTC with Z for an offset with
    seconds (local mean time)."""
    local = (EPOCH + datetime.timedelta(seconds=seconds)).astimezone(zone)
    shift = int(local.utcoffset().total_seconds())
    if shift % 60:
        return local.astimezone(UTC).strftime("%Y-%m-%dT%H:%M:%SZ")
    sign = "-" if shift < 0 else "+"
    return local.strftime("%Y-%m-%dT%H:%M:%S") + f"{sign}{abs(shift) // 3600:02}:" \
        f"{abs(shift) // 60 % 60:02}"


def wide_file(path, seconds):
    rows = "".join(f"record #{s * 10_000_000 + TICKS_1601_TO_1970} {i}\n"
                   for i, s in enumerate(seconds))
    return write_hst(path, "layout wide\ntag v\n" + rows)


def hstexport(*arguments, tz=None):
    env = dict(os.environ, TZDIR=str(PINNED))
    env.pop("TZ", None)
    if tz is not None:
        env["TZ"] = tz
    result = subprocess.run([HSTEXPORT, "-q", "-o", "-", "--no-header"] + list(arguments),
                            capture_output=True, text=True, env=env)
    assert result.returncode == 0, result.stderr
    return result


def times(result):
    return [line.split(",", 1)[0] for line in result.stdout.splitlines()]


def samples():
    """Every change 1970-2037 of every pinned zone (and the second before it), and two
    instants a year from 1880 to 2100."""
    seconds = set()
    for name in ZONES:
        for change in changes(pinned(name)):
            seconds.update((change - 1, change))
    for year in range(1880, 2101):
        for month in (1, 7):
            seconds.add(int(datetime.datetime(year, month, 15, 12, tzinfo=UTC).timestamp()))
    return sorted(seconds)


@pytest.fixture(scope="module")
def change_file(tmp_path_factory):
    stamps = samples()
    return wide_file(tmp_path_factory.mktemp("changes") / "changes.hst", stamps), stamps


def mismatches(texts, expected, stamps):
    return [(s, got, want) for s, got, want in zip(stamps, texts, expected) if got != want]


@pytest.mark.parametrize("name", ZONES)
def test_tz_option_tz_variable_and_frames_agree_with_zoneinfo(change_file, monkeypatch, name):
    path, stamps = change_file
    zone = pinned(name)
    expected = [expected_text(zone, s) for s in stamps]
    by_option = times(hstexport("--tz", name, str(path)))
    by_variable = times(hstexport(str(path), tz=name))
    assert mismatches(by_option, expected, stamps)[:5] == []
    assert mismatches(by_variable, expected, stamps)[:5] == []
    # read_frame: the same offsets, to the second (local mean time included).
    monkeypatch.setenv("TZDIR", str(PINNED))
    index = trendtab.read_frame(path, tz=name).index
    shifts = (index.tz_localize(None) - index.tz_convert(None)).total_seconds().astype(int)
    assert [s for s, shift in zip(stamps, shifts) if shift != offset(zone, s)][:5] == []


# (zone, a reading in the repeated hour, a reading in the skipped hour), 2024.
BOUND_CASES = [
    ("Europe/Berlin", "2024-10-27T02:30", "2024-03-31T02:30"),
    ("America/New_York", "2024-11-03T01:30", "2024-03-10T02:30"),
    ("Australia/Sydney", "2024-04-07T02:30", "2024-10-06T02:30"),
]


def fold0_seconds(zone, reading):
    return int(datetime.datetime.fromisoformat(reading).replace(tzinfo=zone, fold=0).timestamp())


@pytest.mark.parametrize("name,repeated,skipped", BOUND_CASES)
def test_wall_clock_bounds_read_alike_everywhere(tmp_path, monkeypatch, name, repeated, skipped):
    zone = pinned(name)
    monkeypatch.setenv("TZDIR", str(PINNED))
    for reading, minutes in ((repeated, 30), (skipped, 90)):
        # A stamp every minute, half a minute off the bounds, from three hours before to after.
        middle = fold0_seconds(zone, reading)
        stamps = [middle + 60 * i + 30 for i in range(-180, 180)]
        path = wide_file(tmp_path / f"{reading[:10]}.hst", stamps)
        start = datetime.datetime.fromisoformat(reading)
        end = start + datetime.timedelta(minutes=minutes)
        low, high = fold0_seconds(zone, start.isoformat()), fold0_seconds(zone, end.isoformat())
        expected = [s for s in stamps if low <= s < high]
        assert expected
        bounds = ["--from", start.isoformat(), "--to", end.isoformat(), str(path)]
        by_option = times(hstexport("--tz", name, *bounds))
        assert by_option == [expected_text(zone, s) for s in expected]
        assert times(hstexport(*bounds, tz=name)) == by_option
        frame = trendtab.read_frame(path, tz=name, start=start, end=end)
        assert list(frame.index.asi8 // 10**9) == expected
        frames = trendtab.dask.read_frames([path], tz=name, start=start, end=end)
        assert list(frames.compute(scheduler="sync").index.asi8 // 10**9) == expected
    # Berlin's skipped 02:30 is 01:30Z, shown as 03:30+02:00.
    if name == "Europe/Berlin":
        assert expected_text(zone, fold0_seconds(zone, skipped)) == "2024-03-31T03:30:00+02:00"


def test_exact_offsets_before_standard_time_and_after_2037(tmp_path):
    path = wide_file(tmp_path / "far.hst", [
        int(datetime.datetime(1880, 6, 1, tzinfo=UTC).timestamp()),
        int(datetime.datetime(2038, 7, 1, tzinfo=UTC).timestamp()),
        int(datetime.datetime(2100, 7, 1, tzinfo=UTC).timestamp())])
    new_york = trendtab.read_frame(path, tz="America/New_York").index
    berlin = trendtab.read_frame(path, tz="Europe/Berlin").index
    assert new_york[0].isoformat() == "1880-05-31T19:03:58-04:56:02"  # local mean time
    assert [t.utcoffset() for t in berlin[1:]] == [datetime.timedelta(hours=2)] * 2


def test_misspelled_tz_is_reported_once(tmp_path):
    path = wide_file(tmp_path / "one.hst", [0, 60])
    result = hstexport(str(path), tz="Europe/Berln")
    assert result.stderr.count("TZ=\"Europe/Berln\" names no zone") == 1
    assert times(result) == ["1970-01-01T00:00:00+00:00", "1970-01-01T00:01:00+00:00"]
    assert hstexport("--utc", str(path), tz="Europe/Berln").stderr == ""


@pytest.mark.parametrize("rule", ["EST5EDT,M3.2.0,M11.1.0", "<-03>3<-02>,M3.5.0/-2,M10.5.0/-1",
                                  "AEST-10AEDT,M10.1.0,M4.1.0/3", "IST-5:30", "CET-1CEST"])
def test_local_zone_reads_tz_rules_as_the_c_library_does(tmp_path, rule):
    """read_frame(tz="local") and hstexport (the C library) under the same POSIX-rule TZ, twice
    a day from 2007 to 2100 and through the hours around the changes of 2024 of the zones whose
    rules these are (CET-1CEST has no
    dates: the C library completes it with the United States' rule of today). The index's own
    Timestamps show each instant's offset, also in the repeated hour."""
    start = int(datetime.datetime(2007, 1, 1, tzinfo=UTC).timestamp())
    stamps = list(range(start, start + 94 * 365 * 86400, 12 * 3600 + 7))
    for name in ("America/New_York", "Australia/Sydney", "America/Nuuk"):
        for change in changes(pinned(name), 2024, 2024):
            stamps += range(change - 7200, change + 7200, 600)
    path = wide_file(tmp_path / "r.hst", stamps)
    code = f"""
import sys, zoneinfo, trendtab
index = trendtab.read_frame({str(path)!r}, tz="local").index
assert isinstance(index.tz, zoneinfo.ZoneInfo)
sys.stdout.write("\\n".join(t.isoformat() for t in index))
"""
    result = run_python(code, TZ=rule)
    assert result.returncode == 0, result.stderr
    exported = times(hstexport(str(path), tz=rule))
    frames = result.stdout.split("\n")
    assert [(s, a, b) for s, a, b in zip(stamps, frames, exported) if a != b][:5] == []
