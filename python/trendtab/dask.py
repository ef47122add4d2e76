"""Many history files as one Dask DataFrame, one partition per file.

The frame is built from plain functions of this package, so a dask.distributed Client runs it
on a cluster unchanged (every worker needs the trendtab package and the files' paths).
"""

import glob
import os
import re
import warnings

import numpy as np
import pandas as pd

from ._history_file import HistoryFile, read_frame
from ._zones import resolve_zone


def _is_history_file(name):
    return name.lower().endswith(".hst")


def _below(folder):
    """Every history file below ``folder`` (``.hst`` in any letter case), in sorted order."""
    found = []
    for root, folders, files in os.walk(folder):
        folders.sort()
        found.extend(os.path.join(root, name) for name in sorted(files) if _is_history_file(name))
    return found


def _any_case_extension(pattern):
    """``*.hst`` also matches ``X.HST``, as hstexport -r finds them."""
    return re.sub(r"\.hst$", ".[hH][sS][tT]", pattern, flags=re.IGNORECASE)


def _expand(paths_or_pattern):
    """The files a path, folder, glob pattern (``**`` recursing) or list of them names."""
    if isinstance(paths_or_pattern, (str, os.PathLike)):
        arguments = [os.fspath(paths_or_pattern)]
    else:
        arguments = [os.fspath(path) for path in paths_or_pattern]
    paths = []
    for argument in arguments:
        if glob.has_magic(argument):
            matches = sorted(set(glob.glob(_any_case_extension(argument), recursive=True)))
        else:
            matches = [argument]
        for match in matches:
            paths.extend(_below(match) if os.path.isdir(match) else [match])
    if not paths:
        raise FileNotFoundError(f"no history files match {paths_or_pattern!r}")
    return paths


def _with_path(error, path):
    """``error``'s text, led by the file's path when it does not already name it."""
    text = str(error)
    return text if path in text else f"{path}: {text}"


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


def read_frames(paths_or_pattern, tz=None, tags=None, start=None, end=None, *, divisions=True,
                on_error="raise"):
    """Reads history files into one Dask DataFrame with one partition per file.

    ``paths_or_pattern``: a path, a folder (every ``.hst`` file below it), a glob pattern
    (``**`` matches any depth of folders; ``*.hst`` matches ``.HST`` too), or a list of these;
    files taken in sorted order. ``tz``, ``tags``, ``start``, ``end`` as for
    trendtab.read_frame. Every file must have the layout and tags of the first, which gives the
    frame's columns and types.

    With ``divisions=True`` the partitions' time bounds are known (so ``.loc`` by time reads
    only the files it needs) when the files follow each other in time, judged by each file's
    first and last stamps; a file whose stamps then turn out not to be in order raises a
    ValueError when it is read. The headers and the two end stamps of every file are read here,
    the records only when the frame is computed.

    ``on_error``: "raise" (the default) stops at the first file that cannot be read or does not
    fit, with its path in the message; "skip" leaves such files out, with a RuntimeWarning
    naming each one and why.
    """
    import dask.dataframe as dd

    if on_error not in ("raise", "skip"):
        raise ValueError(f"on_error must be 'raise' or 'skip', not {on_error!r}")
    zone = resolve_zone(tz)
    paths = []
    spans = []
    first = None
    for path in _expand(paths_or_pattern):
        try:
            with HistoryFile(path) as history:
                if first is not None and (history.layout, history.tags) != (first.layout,
                                                                            first.tags):
                    raise ValueError(f"{path}: layout or tags differ from {first.path}")
                if first is None:  # its empty frame gives the columns and types
                    meta = history.to_frame(tz=zone, tags=tags, start=start, end=end).iloc[:0]
                span = _first_and_last(history)
        except (OSError, ValueError, KeyError) as error:
            if on_error == "raise":
                if path in str(error):
                    raise
                raise type(error)(_with_path(error, path)) from error
            warnings.warn(f"skipped {path}: {error}", RuntimeWarning, stacklevel=2)
            continue
        if first is None:
            first = history
        paths.append(path)
        spans.append(span)
    if first is None:
        raise FileNotFoundError(f"no readable history files in {paths_or_pattern!r}")
    known = _divisions(spans, zone) if divisions else None
    return dd.from_map(_read_partition, paths, tz=zone, tags=tags, start=start, end=end,
                       in_order=known is not None, meta=meta, divisions=known,
                       label="read-history", enforce_metadata=False)
