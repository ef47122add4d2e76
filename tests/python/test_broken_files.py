"""Broken files raise HistoryFileError with the converter's own message; I/O problems OSError."""

import os
import random
import shutil
import struct
import subprocess
import warnings

import pytest

import trendtab
from conftest import CONVERTER, EXAMPLES


def compact_header(record_size=8, tags=1, type_=2):
    return struct.pack("<hhH", type_, 0, record_size) + bytes(52) + struct.pack("<h", tags)


def wide_header(text, tags, record_size=16):
    return (struct.pack("<hhHH", 1, 0, record_size, len(text)) + bytes(8) + bytes(52)
            + struct.pack("<h", tags) + text)


CORPUS = {
    "one_byte": (b"\x02", "    Error in type of infoFile data: {}\n"),
    "info_file_cut": (struct.pack("<h", 5) + bytes(8), ""),
    "info_head_cut": (compact_header()[:30], "    Error loading infoHead data: {}\n"),
    "too_many_tags": (compact_header(tags=251), "    Error in number of tags of infoHead data: {}\n"),
    "negative_tags": (compact_header(tags=-1), "    Error in number of tags of infoHead data: {}\n"),
    "slots_cut": (compact_header(tags=2) + b"A".ljust(256, b"\0") + b"B", "   Invalid history file"),
    "pair_lost_in_tabs": (wide_header(b"A\t\tB", 2, 24), "   Invalid history file"),
    "nul_in_tag_text": (wide_header(b"A\tdescA\0B\tdescB", 2, 24), "   Invalid history file"),
    "tag_text_cut": (wide_header(b"A\tdescA\tB\tdescB", 2, 24)[:-3], "   Invalid history file"),
    "record_too_small": (compact_header(record_size=8, tags=2) + bytes(512) + bytes(16),
                         "   Invalid history file"),
}


@pytest.mark.parametrize("name", sorted(CORPUS))
def test_corpus_raises_the_converters_message(tmp_path, name):
    data, message = CORPUS[name]
    path = tmp_path / f"{name}-größe.hst"
    path.write_bytes(data)
    with pytest.raises(trendtab.HistoryFileError) as raised:
        trendtab.open(path)
    error = raised.value
    assert isinstance(error, ValueError)
    assert (error.message, error.path) == (message.format(path), str(path))
    assert str(error) and str(path) in str(error)
    console = subprocess.run([CONVERTER, str(path)], capture_output=True, cwd=tmp_path).stdout
    assert error.message.encode() in console


def test_io_problems_raise_oserror_with_the_path(tmp_path):
    missing = tmp_path / "missing.hst"
    with pytest.raises(FileNotFoundError) as raised:
        trendtab.open(missing)
    assert raised.value.filename == str(missing)
    with pytest.raises(IsADirectoryError) as raised:
        trendtab.read_frame(tmp_path)
    assert raised.value.filename == str(tmp_path)
    locked = tmp_path / "locked.hst"
    shutil.copy(EXAMPLES / "compact.hst", locked)
    locked.chmod(0)
    if os.access(locked, os.R_OK):
        pytest.skip("running as a user that reads any file")
    with pytest.raises(PermissionError):
        trendtab.open(locked)


def mutants(data, count, seed):
    generator = random.Random(seed)
    for _ in range(count):
        mutant = bytearray(data)
        for _ in range(generator.randint(1, 6)):
            at = generator.randrange(min(len(mutant), 400))
            mutant[at] = generator.randrange(256)
        if generator.random() < 0.3:
            del mutant[generator.randrange(len(mutant)):]
        if generator.random() < 0.2:
            mutant += bytes(generator.randrange(64))
        yield bytes(mutant)


def test_mutated_files_never_crash(tmp_path):
    path = tmp_path / "mutant.hst"
    outcomes = {"read": 0, "refused": 0}
    for example in ("compact", "wide"):
        for mutant in mutants((EXAMPLES / f"{example}.hst").read_bytes(), 300, example):
            path.write_bytes(mutant)
            try:
                with warnings.catch_warnings():
                    warnings.simplefilter("ignore", trendtab.StampRangeWarning)
                    with trendtab.open(path) as history:
                        history.values.sum(axis=0)
                        history.times
                        history.to_frame(tz="Europe/Berlin")
                outcomes["read"] += 1
            except trendtab.HistoryFileError as error:
                assert error.path == str(path)
                outcomes["refused"] += 1
    assert outcomes["read"] > 50 and outcomes["refused"] > 50


@pytest.mark.parametrize("race", ["replaced", "shrunk_below_the_records", "emptied", "grown"])
def test_a_file_changed_after_its_header_was_read_gives_one_snapshot(tmp_path, monkeypatch, race):
    """Header, size and records come from one open file, whatever happens to the path."""
    path = tmp_path / "raced.hst"
    shutil.copy(EXAMPLES / "wide.hst", path)
    with trendtab.open(path, copy=True) as original:
        expected = original.values
    other = tmp_path / "other.hst"
    shutil.copy(EXAMPLES / "compact.hst", other)
    read_header = trendtab._core.read_header

    def racing(descriptor, name, *rest):
        info = read_header(descriptor, name, *rest)
        if race == "replaced":
            os.replace(other, path)
        elif race == "grown":
            with open(path, "ab") as file:
                file.write(bytes(info["record_size"] * 3))
        else:
            os.truncate(path, 10 if race == "shrunk_below_the_records" else 0)
        return info

    monkeypatch.setattr(trendtab._core, "read_header", racing)
    with trendtab.open(path, copy=True) as history:
        values = history.values
    shrunk = race in ("shrunk_below_the_records", "emptied")
    assert values.shape == ((0,) + expected.shape[1:] if shrunk else expected.shape)
    if not shrunk:
        assert (values.view("u8") == expected.view("u8")).all()


def test_a_fifo_is_refused_without_waiting(tmp_path):
    if not hasattr(os, "mkfifo"):
        pytest.skip("no FIFOs here")
    fifo = tmp_path / "p.hst"
    os.mkfifo(fifo)
    with pytest.raises(OSError) as raised:
        trendtab.open(fifo)
    assert raised.value.filename == str(fifo)
