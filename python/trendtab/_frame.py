"""pandas frames of history files. pandas is imported when a frame is made, so that the arrays
work where only NumPy is installed."""

import datetime

import numpy as np

from ._zones import resolve_zone, wall_clock_offset

_NAT = np.iinfo(np.int64).min


def _bound_nanoseconds(bound, zone):
    """A start or end bound as nanoseconds since 1970 UTC; a bound without zone is a wall-clock
    reading in ``zone``, read by the one rule of wall_clock_offset."""
    import pandas as pd

    stamp = pd.Timestamp(bound)
    if stamp.tzinfo is not None:
        return stamp.tz_convert("UTC").value
    offset = wall_clock_offset(stamp.to_pydatetime(warn=False), zone)
    return stamp.value - offset // datetime.timedelta(microseconds=1) * 1000


def _selected_rows(nanoseconds, start, end, zone):
    """A slice (stamps in order) or a mask of the records from start to end, both included."""
    if start is None and end is None:
        return slice(None)
    low = _bound_nanoseconds(start, zone) if start is not None else _NAT + 1
    high = _bound_nanoseconds(end, zone) if end is not None else np.iinfo(np.int64).max
    if len(nanoseconds) < 2 or np.all(nanoseconds[1:] >= nanoseconds[:-1]):
        return slice(np.searchsorted(nanoseconds, low, "left"),
                     np.searchsorted(nanoseconds, high, "right"))
    return (nanoseconds >= low) & (nanoseconds <= high)


def history_frame(history, tz, tags, start, end):
    import pandas as pd

    zone = resolve_zone(tz)
    columns = history.tag_columns(tags)
    times = history.times
    rows = _selected_rows(times.view(np.int64), start, end, zone)
    values = history.values[rows]
    values = np.array(values) if columns is None else values[:, columns]
    names = list(history.tags) if columns is None else [history.tags[c] for c in columns]
    index = pd.DatetimeIndex(times[rows], name="time").tz_localize("UTC")
    if tz is not None:
        index = index.tz_convert(zone)
    return pd.DataFrame(values, index=index, columns=names, copy=False)


def read_frame(path, tz=None, tags=None, start=None, end=None):
    """Reads a trend history file (.hst) into a pandas DataFrame.

    One row per record, indexed by a DatetimeIndex named "time": in UTC, or converted to ``tz``
    (an IANA name such as "Europe/Berlin", "local" for the system's zone, or a tzinfo). Names
    and "local" become ``zoneinfo.ZoneInfo`` zones: each instant gets the zone's own offset of
    its year (local mean time before standard time to the second). "local" reads ``TZ`` as the
    converter does: a zone name, a zone file's path or a POSIX rule such as
    "EST5EDT,M3.2.0,M11.1.0"; without ``TZ``, /etc/localtime. One column per tag, float32
    (compact layout) or float64 (wide layout), named by the tag.

    ``tags``: a tag name or a list of them, in the order wanted (KeyError for a name the file
    lacks). ``start``, ``end``: keep the records from ``start`` to ``end``, both included;
    anything pandas.Timestamp accepts. A bound without zone is a wall-clock reading in ``tz``
    (UTC when ``tz`` is None), read by one rule: a reading that occurs twice (the autumn
    change) means its first occurrence; a reading that does not occur (the spring gap) is read
    with the offset in force before the gap, as zoneinfo does with ``fold=0`` (Berlin
    2024-03-31T02:30 is 01:30Z). hstexport reads --from and --to the same way. Records whose
    stamp is NaT are left out when a bound is given.

    Raises trendtab.HistoryFileError for a file the converter refuses, OSError for I/O
    problems.
    """
    from ._history_file import HistoryFile

    with HistoryFile(path) as history:
        return history.to_frame(tz=tz, tags=tags, start=start, end=end)
