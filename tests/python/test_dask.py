"""trendtab.dask.read_frames: one partition per file, equal to the single-file frames joined."""

import pandas as pd
import pytest

import trendtab
import trendtab.dask
from conftest import write_hst

DAYS = ["2024-03-30", "2024-03-31", "2024-04-01"]  # across Berlin's change to summer time


@pytest.fixture(scope="module")
def archive(tmp_path_factory):
    folder = tmp_path_factory.mktemp("archive")
    for day in DAYS:
        write_hst(folder / f"{day}.hst", None, "--tags", "3", "--start", f"{day}T00:00:00",
                  "--step", "60", "--records", "1440", "--values", "random", "--seed", day[-1])
    return folder


def joined(paths, **options):
    return pd.concat([trendtab.read_frame(path, **options) for path in paths])


def test_on_a_cluster_of_two_worker_processes(archive):
    from dask.distributed import Client, LocalCluster

    paths = sorted(archive.glob("*.hst"))
    frames = trendtab.dask.read_frames(str(archive / "*.hst"), tz="Europe/Berlin")
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                      dashboard_address=None) as cluster, Client(cluster) as client:
        assert len(client.scheduler_info()["workers"]) == 2
        result = frames.compute()
        subset = trendtab.dask.read_frames(paths, tags=["Tag002"], start="2024-03-31 12:00",
                                           end="2024-04-01 00:00").compute()
    pd.testing.assert_frame_equal(result, joined(paths, tz="Europe/Berlin"))
    pd.testing.assert_frame_equal(
        subset, joined(paths, tags=["Tag002"], start="2024-03-31 12:00", end="2024-04-01 00:00"))


def test_partitions_and_divisions(archive):
    paths = sorted(archive.glob("*.hst"))
    frames = trendtab.dask.read_frames(paths, tz="Europe/Berlin")
    assert frames.npartitions == 3 and frames.known_divisions
    assert frames.divisions[0] == pd.Timestamp("2024-03-30 01:00", tz="Europe/Berlin")
    assert frames.divisions[-1] == pd.Timestamp("2024-04-01 23:59Z").tz_convert("Europe/Berlin")
    assert list(frames.columns) == ["Tag001", "Tag002", "Tag003"]
    # Time bounds are known: this reads one file only.
    day = frames.loc["2024-03-31 12:00":"2024-03-31 12:09"]
    assert day.npartitions == 1 and len(day.compute(scheduler="sync")) == 10


def test_files_out_of_time_order(archive, tmp_path):
    paths = sorted(archive.glob("*.hst"), reverse=True)
    frames = trendtab.dask.read_frames(paths)
    assert not frames.known_divisions
    pd.testing.assert_frame_equal(frames.compute(scheduler="sync"), joined(paths))
    unordered = write_hst(tmp_path / "unordered.hst",
                          "tag A\nrecord @10 1\nrecord @30 2\nrecord @20 3\nrecord @40 4\n")
    with pytest.raises(ValueError, match="not in time order"):
        trendtab.dask.read_frames([unordered]).compute(scheduler="sync")
    assert len(trendtab.dask.read_frames([unordered], divisions=False).compute()) == 4


def test_files_must_share_layout_and_tags(archive, tmp_path):
    other = write_hst(tmp_path / "other.hst", None, "--tags", "2", "--records", "5")
    with pytest.raises(ValueError, match="tags differ"):
        trendtab.dask.read_frames([*sorted(archive.glob("*.hst")), other])
    with pytest.raises(FileNotFoundError):
        trendtab.dask.read_frames(str(tmp_path / "none-*.hst"))


@pytest.fixture
def nested(tmp_path):
    """An archive of folders: hst files in any letter case at any depth, one bad file."""
    files = {"a/2024-03-30.hst": "2024-03-30", "a/b/2024-03-31.HST": "2024-03-31",
             "c/d/e/2024-04-01.Hst": "2024-04-01"}
    for name, day in files.items():
        (tmp_path / name).parent.mkdir(parents=True, exist_ok=True)
        write_hst(tmp_path / name, None, "--tags", "3", "--start", f"{day}T00:00:00",
                  "--step", "60", "--records", "10")
    (tmp_path / "c" / "notes.txt").write_text("not history")
    return tmp_path


@pytest.mark.parametrize("argument", ["", "**/*.hst", "**/*.HST", "*/**/*.hst"])
def test_folders_and_recursive_patterns(nested, argument):
    frames = trendtab.dask.read_frames(str(nested / argument) if argument else nested)
    assert frames.npartitions == 3
    assert len(frames.compute(scheduler="sync")) == 30


def test_bad_files_raise_with_their_path_or_are_skipped(nested):
    bad = nested / "a" / "b" / "broken.hst"
    bad.write_bytes(b"\x07")
    with pytest.raises(ValueError, match="broken.hst"):
        trendtab.dask.read_frames(nested / "**" / "*.hst")
    with pytest.warns(RuntimeWarning, match=r"skipped .*broken\.hst: .*") as warned:
        frames = trendtab.dask.read_frames(nested, on_error="skip")
    assert len(warned) == 1 and frames.npartitions == 3
    with pytest.raises(ValueError, match="on_error"):
        trendtab.dask.read_frames(nested, on_error="ignore")
