"""pandas frames of history files."""

import numpy as np
import pandas as pd

from ._zones import resolve_zone

_NAT = np.iinfo(np.int64).min


def _bound_nanoseconds(bound, zone):
    """A start or end bound as nanoseconds since 1970 UTC; a bound without zone is in ``zone``."""
    stamp = pd.Timestamp(bound)
    if stamp.tzinfo is None:
        stamp = stamp.tz_localize(zone)
    return stamp.tz_convert("UTC").value


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
    (an IANA name such as "Europe/Berlin", "local" for the system's zone, or a tzinfo). One
    column per tag, float32 (compact layout) or float64 (wide layout), named by the tag.

    ``tags``: a tag name or a list of them, in the order wanted (KeyError for a name the file
    lacks). ``start``, ``end``: keep the records from ``start`` to ``end``, both included;
    anything pandas.Timestamp accepts, a bound without zone being read in ``tz`` (UTC when
    ``tz`` is None). Records whose stamp is NaT are left out when a bound is given.

    Raises trendtab.HistoryFileError for a file the converter refuses, OSError for I/O
    problems.
    """
    from ._history_file import HistoryFile

    with HistoryFile(path) as history:
        return history.to_frame(tz=tz, tags=tags, start=start, end=end)
