#!/usr/bin/python3
"""Python package benchmark: trendtab against numpy.fromfile on the same file, warm page cache.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_read.py [REPEATS]

Input: 1,000,000 compact records x 32 tags (132 MB), made once with build/hstgen into
bench/.cache/ (the same file bench/run uses). Each case runs REPEATS times (default 15) after one
warm-up, in this process, the cases taking turns; the median is shown. The cases:

  numpy.fromfile   read the records with their dtype, values.sum(axis=0), stamps to datetime64
  trendtab.open    open, values.sum(axis=0), times (the view on the map is touched by the sum)
  read_frame       trendtab.read_frame(path): an owned DataFrame with a UTC DatetimeIndex
"""

import gc
import os
import pathlib
import statistics
import subprocess
import sys
import time

import numpy as np

import trendtab

ROOT = pathlib.Path(__file__).resolve().parents[1]
CACHE = ROOT / "bench" / ".cache"
INPUT = CACHE / "compact-trend.hst"
HSTGEN_OPTIONS = ["--layout", "compact", "--tags", "32", "--records", "1000000",
                  "--start", "2011-03-20T00:00:00", "--step", "1", "--values", "trend",
                  "--wide-tags", "4", "--seed", "1"]


def make_input():
    if INPUT.exists():
        return
    CACHE.mkdir(parents=True, exist_ok=True)
    part = INPUT.with_suffix(".hst.part")
    subprocess.run([str(ROOT / "build" / "hstgen"), str(part)] + HSTGEN_OPTIONS, check=True)
    part.rename(INPUT)


def with_fromfile(path, record_start, dtype):
    records = np.fromfile(path, dtype=dtype, offset=record_start)
    sums = records["values"].sum(axis=0)
    times = (records["stamp"].astype(np.int64) * 1_000_000_000).view("M8[ns]")
    return sums, times


def with_trendtab(path):
    with trendtab.open(path) as history:
        return history.values.sum(axis=0), history.times


def median_seconds(cases, repeats):
    """Median seconds of each case; the cases take turns, so load that comes and goes on a
    shared machine falls on all of them alike."""
    seconds = {name: [] for name in cases}
    for case in cases.values():
        case()
    for _ in range(repeats):
        for name, case in cases.items():
            gc.collect()
            begin = time.perf_counter()
            case()
            seconds[name].append(time.perf_counter() - begin)
    return {name: statistics.median(times) for name, times in seconds.items()}


def main():
    repeats = int(sys.argv[1]) if len(sys.argv) > 1 else 15
    make_input()
    path = str(INPUT)
    with trendtab.open(path) as history:
        assert history.trailing_bytes == 0
        record_start = os.path.getsize(path) - history.record_count * history.record_size
        dtype = np.dtype([("stamp", "<i4"), ("values", "<f4", (len(history.tags),))])
    expected, expected_times = with_fromfile(path, record_start, dtype)
    sums, times = with_trendtab(path)
    assert np.array_equal(sums, expected) and np.array_equal(times, expected_times)

    medians = median_seconds({
        "numpy.fromfile": lambda: with_fromfile(path, record_start, dtype),
        "trendtab.open": lambda: with_trendtab(path),
        "read_frame": lambda: trendtab.read_frame(path),
    }, repeats)
    baseline = medians["numpy.fromfile"]
    print(f"{INPUT.name}: {os.path.getsize(path) / 1e6:.0f} MB, median of {repeats}")
    print(f"{'case':<16} {'seconds':>8} {'x fromfile':>11}")
    for name, seconds in medians.items():
        print(f"{name:<16} {seconds:8.3f} {seconds / baseline:11.2f}")

if __name__ == "__main__":
    main()
