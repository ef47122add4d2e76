"""read_frame: zones across daylight-saving changes against zoneinfo, selection by tags and time."""

import datetime
import json
import zoneinfo

import numpy as np
import pandas as pd
import pytest

import trendtab
from conftest import EXAMPLES, run_python

ZONES = ["America/New_York", "Europe/Berlin", "Australia/Sydney"]
HALF_HOURS_2024 = ("--start", "2024-01-01T00:00:00", "--step", "1800", "--records", "17568")


def wall_clock(index):
    """(ISO wall-clock time, UTC offset in seconds) of every index entry."""
    offsets = (index - index.tz_localize(None).tz_localize("UTC")) / pd.Timedelta(seconds=1)
    return list(zip(index.tz_localize(None).strftime("%Y-%m-%dT%H:%M:%S"), -offsets.astype(int)))


def zoneinfo_wall_clock(nanoseconds, zone):
    result = []
    for ns in nanoseconds:
        local = datetime.datetime.fromtimestamp(ns // 10**9, zoneinfo.ZoneInfo(zone))
        result.append((local.strftime("%Y-%m-%dT%H:%M:%S"), int(local.utcoffset().total_seconds())))
    return result


@pytest.fixture(scope="module")
def year_file(tmp_path_factory):
    from conftest import write_hst
    path = tmp_path_factory.mktemp("year") / "year.hst"
    return write_hst(path, None, "--layout", "wide", "--tags", "2", *HALF_HOURS_2024)


@pytest.mark.parametrize("zone", ZONES)
def test_zones_across_daylight_saving_changes(year_file, zone):
    frame = trendtab.read_frame(year_file, tz=zone)
    ns = trendtab.open(year_file).times.view(np.int64)
    assert str(frame.index.tz) == zone
    assert (frame.index.asi8 == ns).all()
    assert wall_clock(frame.index) == zoneinfo_wall_clock(ns, zone)
    # Both changes of the year lie inside: two offsets, each change seen once in each direction.
    offsets = [offset for _, offset in wall_clock(frame.index)]
    assert len(set(offsets)) == 2 and sum(a != b for a, b in zip(offsets, offsets[1:])) == 2


@pytest.mark.parametrize("zone", ZONES)
def test_local_zone_follows_the_processes_tz(year_file, zone):
    code = f"""
import json, trendtab
frame = trendtab.read_frame({str(year_file)!r}, tz="local")
print(json.dumps([str(t) for t in frame.index[::97]]))
"""
    result = run_python(code, TZ=zone)
    assert result.returncode == 0, result.stderr
    expected = trendtab.read_frame(year_file, tz=zone).index[::97]
    assert json.loads(result.stdout) == [str(t) for t in expected]


def test_frame_matches_the_arrays():
    for name, dtype in [("compact", np.float32), ("wide", np.float64)]:
        path = EXAMPLES / f"{name}.hst"
        frame = trendtab.read_frame(path)
        history = trendtab.open(path)
        assert list(frame.columns) == list(history.tags)
        assert (frame.dtypes == dtype).all() and str(frame.index.tz) == "UTC"
        assert frame.index.name == "time"
        assert np.array_equal(frame.to_numpy().view(np.uint8), np.array(history.values).view(np.uint8))
        assert (frame.index.asi8 == history.times.view(np.int64)).all()


def test_selection_by_tags():
    path = EXAMPLES / "compact.hst"
    frame = trendtab.read_frame(path, tags=["Temp3", "Tank1"])
    assert list(frame.columns) == ["Temp3", "Tank1"]
    assert (frame["Tank1"] == trendtab.read_frame(path)["Tank1"]).all()
    assert list(trendtab.read_frame(path, tags="Flow2").columns) == ["Flow2"]
    with pytest.raises(KeyError, match="'Nope'"):
        trendtab.read_frame(path, tags=["Tank1", "Nope"])


def test_selection_by_time_includes_both_ends():
    path = EXAMPLES / "compact.hst"  # 08:00 to 08:09 UTC, a minute apart
    frame = trendtab.read_frame(path, start="2011-03-04 08:02", end="2011-03-04 08:05")
    assert [t.minute for t in frame.index] == [2, 3, 4, 5]
    # A bound without zone is read in tz; an aware bound is taken as it is.
    berlin = trendtab.read_frame(path, tz="Europe/Berlin", start="2011-03-04 09:08")
    assert [t.minute for t in berlin.index] == [8, 9]
    aware = trendtab.read_frame(path, tz="Europe/Berlin", end=pd.Timestamp("2011-03-04 08:00Z"))
    assert len(aware) == 1
    assert len(trendtab.read_frame(path, start="2011-03-05")) == 0


def test_selection_by_time_in_an_unordered_file(hst):
    stamps = ["2011-03-04T08:05:00", "2011-03-04T08:01:00", "2011-03-04T08:03:00",
              "#0", "2011-03-04T08:09:00", "2011-03-04T08:02:00"]
    path = hst("layout wide\ntag A\n" + "".join(f"record {s} {i}\n" for i, s in enumerate(stamps)))
    with pytest.warns(trendtab.StampRangeWarning):
        whole = trendtab.read_frame(path)
        frame = trendtab.read_frame(path, start="2011-03-04 08:02", end="2011-03-04 08:05")
    assert frame["A"].tolist() == [0, 2, 5]
    assert len(whole) == 6 and whole.index.isna().sum() == 1


def test_stamp_range_warning_points_at_the_caller(hst):
    path = hst("layout wide\ntag A\nrecord #0 1\n")
    with pytest.warns(trendtab.StampRangeWarning) as caught:
        trendtab.read_frame(path)
    assert caught[0].filename == __file__


@pytest.mark.parametrize("windows, iana", [("W. Europe Standard Time", "Europe/Berlin"),
                                           ("eastern standard time", "America/New_York")])
def test_windows_zone_names_select_their_iana_zone(year_file, windows, iana):
    frame = trendtab.read_frame(year_file, tz=windows)
    assert str(frame.index.tz) == iana
    assert (frame.index == trendtab.read_frame(year_file, tz=iana).index).all()
