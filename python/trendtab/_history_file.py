"""HistoryFile: one .hst file as numpy arrays over a memory map."""

import builtins
import mmap
import os

import numpy as np

from . import _core
from ._errors import HistoryFileError, StampRangeWarning, warn_caller
from ._frame import history_frame

_LAYOUTS = {
    # layout: (stamp dtype, value dtype, bytes of the stamp)
    "compact": ("<i4", "<f4", 4),
    "wide": ("<u8", "<f8", 8),
}


def _record_dtype(layout, tag_count, record_size):
    stamp, value, stamp_size = _LAYOUTS[layout]
    return np.dtype({
        "names": ["stamp", "values"],
        "formats": [stamp, (value, (tag_count,))],
        "offsets": [0, stamp_size],
        # A record size of 0 holds no records; the dtype then keeps its natural size.
        "itemsize": max(record_size, stamp_size + np.dtype(value).itemsize * tag_count),
    })


def _map_records(path, dtype, start, count):
    """Read-only records straight from a memory map of the file; the map lives as long as the
    arrays that view it."""
    if count == 0 or dtype.itemsize == 0:
        records = np.zeros(0, dtype)
        records.flags.writeable = False
        return records
    with builtins.open(path, "rb") as file:
        mapped = mmap.mmap(file.fileno(), 0, access=mmap.ACCESS_READ)
    # The file may have shrunk since its header was read: never view past the map's end.
    count = max(0, min(count, (len(mapped) - start) // dtype.itemsize))
    return np.frombuffer(mapped, dtype, count, start)


class HistoryFile:
    """A trend history file (.hst) opened for reading.

    Attributes (plain values, kept after ``close()``): ``path``; ``layout``, "compact" (int32
    second stamps, float32 values) or "wide" (FILETIME stamps, float64 values); ``type``, the
    file's type field; ``record_size`` in bytes; ``tags``, the tag names in file order;
    ``descriptions``, the wide layout's second field of each tag ("" where the file has none;
    empty for the compact layout); ``record_count``, whole records; ``trailing_bytes``, bytes
    after the last whole record. Tag texts are UTF-8 where valid, else one character per byte.

    Arrays: ``raw_stamps``, ``values`` and ``times`` (see each). By default ``raw_stamps`` and
    ``values`` are read-only views on a memory map of the file: opening costs nothing until
    they are read, and they stay valid after ``close()`` (the map goes when the last array that
    views it goes). Open with ``copy=True`` for owned, writable arrays and no map.

    Use as a context manager: ``with trendtab.open("x.hst") as f: ...``.
    """

    def __init__(self, path, *, copy=False):
        self.path = os.fspath(path)
        info = _core.read_header(os.fsencode(self.path))  # any file name the system allows
        if info["refused"]:
            raise HistoryFileError(os.fsdecode(info["message"]), self.path)
        self.layout = info["layout"]
        self.type = info["type"]
        self.record_size = info["record_size"]
        self.tags = tuple(info["tags"])
        self.descriptions = tuple(info["descriptions"])
        self.trailing_bytes = info["trailing_bytes"]
        dtype = _record_dtype(self.layout, len(self.tags), self.record_size)
        records = _map_records(self.path, dtype, info["record_start"], info["record_count"])
        self.record_count = len(records)
        if copy:
            self._stamps = np.array(records["stamp"])
            self._values = np.array(records["values"])
        else:
            self._stamps = records["stamp"]
            self._values = records["values"]
        self._times = None
        self._closed = False

    def __repr__(self):
        state = "closed " if self._closed else ""
        return (f"<{state}trendtab.HistoryFile {self.path!r} {self.layout}, "
                f"{len(self.tags)} tags, {self.record_count} records>")

    def __len__(self):
        return self.record_count

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        """Drops this object's reference to the file's map. Arrays taken before stay valid."""
        self._stamps = self._values = self._times = None
        self._closed = True

    @property
    def closed(self):
        return self._closed

    def _check_open(self):
        if self._closed:
            raise ValueError(f"history file is closed: {self.path}")

    @property
    def raw_stamps(self):
        """The stamps exactly as stored: int32 seconds since 1970 UTC (compact) or uint64
        FILETIME ticks, 100 ns since 1601 UTC (wide). One per record."""
        self._check_open()
        return self._stamps

    @property
    def values(self):
        """The values, records x tags: float32 (compact) or float64 (wide), bit for bit as
        stored. A read-only view on the file's map unless opened with ``copy=True``."""
        self._check_open()
        return self._values

    @property
    def times(self):
        """The stamps as numpy datetime64[ns] in UTC. A stamp outside that type's range
        (before 1677-09-21 or after 2262-04-11) is NaT, and their count is given in a
        StampRangeWarning; no stamp is shifted."""
        self._check_open()
        if self._times is None:
            convert = (_core.compact_stamps_to_ns if self.layout == "compact"
                       else _core.wide_stamps_to_ns)
            nanoseconds, out_of_range = convert(self._stamps)
            if out_of_range:
                warn_caller(f"{self.path}: {out_of_range} of {self.record_count} stamps lie "
                            "outside datetime64[ns] and are NaT", StampRangeWarning)
            times = nanoseconds.view("M8[ns]")
            times.flags.writeable = False
            self._times = times
        return self._times

    def tag_columns(self, tags):
        """Column numbers of the named tags (the first column of a name the file repeats)."""
        if tags is None:
            return None
        if isinstance(tags, str):
            tags = [tags]
        first = {}
        for column, name in enumerate(self.tags):
            first.setdefault(name, column)
        missing = [name for name in tags if name not in first]
        if missing:
            raise KeyError(f"no such tags in {self.path}: {', '.join(map(repr, missing))}")
        return [first[name] for name in tags]

    def to_frame(self, tz=None, tags=None, start=None, end=None):
        """A pandas DataFrame of the records: see trendtab.read_frame."""
        self._check_open()
        return history_frame(self, tz, tags, start, end)


def open(path, *, copy=False):  # noqa: A001 - the package's entry, like io.open
    """Opens a trend history file (.hst) and returns a HistoryFile.

    ``copy=False`` (the default) gives read-only arrays that view a memory map of the file;
    ``copy=True`` gives owned, writable arrays.

    Raises trendtab.HistoryFileError (a ValueError) with the converter's own message for a file
    it refuses, and OSError (with the path) when the file cannot be opened or read.
    """
    return HistoryFile(path, copy=copy)


def read_frame(path, tz=None, tags=None, start=None, end=None):
    """Reads a trend history file (.hst) into a pandas DataFrame.

    One row per record, indexed by a DatetimeIndex named "time": in UTC, or converted to ``tz``
    (an IANA name such as "Europe/Berlin", "local" for the system's zone, or a tzinfo). One
    column per tag, float32 (compact layout) or float64 (wide layout), named by the tag.

    ``tags``: a tag name or a list of them, in the order wanted (KeyError for a name the file
    lacks). ``start``, ``end``: keep the records from ``start`` to ``end``, both included;
    anything pandas.Timestamp accepts, a bound without zone being read in ``tz`` (UTC when
    ``tz`` is None). Records whose stamp is NaT are left out when a bound is given.

    Raises trendtab.HistoryFileError for a file the converter refuses, OSError for I/O
    problems.
    """
    with HistoryFile(path) as history:
        return history.to_frame(tz=tz, tags=tags, start=start, end=end)
