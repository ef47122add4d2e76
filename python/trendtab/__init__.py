"""Trend history files (.hst) as numpy arrays and pandas frames.

    >>> import trendtab
    >>> with trendtab.open("examples/compact.hst") as history:
    ...     print(history.layout, history.tags, history.record_count)
    ...     print(history.times[0], history.values[0, 1])
    compact ('Tank1', 'Tank2', 'Flow2', 'Temp3') 10
    2011-03-04T08:00:00.000000000 -12.5
    >>> frame = trendtab.read_frame("examples/compact.hst", tz="Europe/Berlin", tags=["Flow2"])
    >>> frame.index[0], frame["Flow2"].iloc[0]
    (Timestamp('2011-03-04 09:00:00+0100', tz='Europe/Berlin'), 12345679.0)

trendtab.dask.read_frames reads many files as one Dask DataFrame; ``python3 -m trendtab.plot
FILE.hst`` draws a file's tags.
"""

from ._errors import HistoryFileError, StampRangeWarning
from ._history_file import HistoryFile, open, read_frame
from ._version import __version__

__all__ = ["HistoryFile", "HistoryFileError", "StampRangeWarning", "__version__", "open", "read_frame"]
