"""pandas frames of history files. pandas is imported when a frame is made, so that the arrays
work where only NumPy is installed. A leaf of the package: it imports none of its modules but
_zones."""

import numpy as np

from ._zones import resolve_zone

_NAT = np.iinfo(np.int64).min


def _bound_nanoseconds(bound, zone):
    """A start or end bound as nanoseconds since 1970 UTC; a bound without zone is in ``zone``."""
    import pandas as pd

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
