"""Many history files as one Dask DataFrame, one partition per file.

The frame is built from plain functions of this package, so a dask.distributed Client runs it
on a cluster unchanged (every worker needs the trendtab package and the files' paths).
"""

import glob
import os

import numpy as np
import pandas as pd

from ._history_file import HistoryFile, read_frame
from ._zones import resolve_zone


def _expand(paths_or_pattern):
    if isinstance(paths_or_pattern, (str, os.PathLike)):
        pattern = os.fspath(paths_or_pattern)
        paths = sorted(glob.glob(pattern)) if glob.has_magic(pattern) else [pattern]
    else:
        paths = [os.fspath(path) for path in paths_or_pattern]
    if not paths:
        raise FileNotFoundError(f"no history files match {paths_or_pattern!r}")
    return paths


def _first_and_last(history):
    """First and last stamp in ns since 1970 UTC; None without records or with NaT."""
    if history.record_count == 0:
        return None
    times = history.times.view(np.int64)
    ends = times[0], times[-1]
    return None if np.iinfo(np.int64).min in ends else ends


def _divisions(spans, zone):
    """Partition bounds from each file's first and last stamps, when the files follow each
    other in time; None otherwise."""
    if any(span is None for span in spans):
        return None
    for (first, last), following in zip(spans, spans[1:] + [None]):
        if first > last or (following is not None and last >= following[0]):
            return None
    bounds = [first for first, _ in spans] + [spans[-1][1]]
    return tuple(pd.Timestamp(bound, tz="UTC").tz_convert(zone) for bound in bounds)


def _read_partition(path, tz, tags, start, end, in_order):
    frame = read_frame(path, tz=tz, tags=tags, start=start, end=end)
    if in_order and not frame.index.is_monotonic_increasing:
        raise ValueError(f"{path}: stamps are not in time order; "
                         "read it with trendtab.dask.read_frames(..., divisions=False)")
    return frame


def read_frames(paths_or_pattern, tz=None, tags=None, start=None, end=None, *, divisions=True):
    """Reads history files into one Dask DataFrame with one partition per file.

    ``paths_or_pattern``: a list of paths, or one path or glob pattern (files taken in sorted
    order). ``tz``, ``tags``, ``start``, ``end`` as for trendtab.read_frame. Every file must
    have the layout and tags of the first, which gives the frame's columns and types.

    With ``divisions=True`` the partitions' time bounds are known (so ``.loc`` by time reads
    only the files it needs) when the files follow each other in time, judged by each file's
    first and last stamps; a file whose stamps then turn out not to be in order raises a
    ValueError when it is read. The headers and the two end stamps of every file are read here,
    the records only when the frame is computed.
    """
    import dask.dataframe as dd

    paths = _expand(paths_or_pattern)
    zone = resolve_zone(tz)
    spans = []
    first = None
    for path in paths:
        with HistoryFile(path) as history:
            if first is None:
                first = history
                meta = history.to_frame(tz=zone, tags=tags, start=start, end=end).iloc[:0]
            elif (history.layout, history.tags) != (first.layout, first.tags):
                raise ValueError(f"{path}: layout or tags differ from {first.path}")
            spans.append(_first_and_last(history))
    known = _divisions(spans, zone) if divisions else None
    return dd.from_map(_read_partition, paths, tz=zone, tags=tags, start=start, end=end,
                       in_order=known is not None, meta=meta, divisions=known,
                       label="read-history", enforce_metadata=False)
