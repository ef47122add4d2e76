"""Trend history files (.hst) as numpy arrays and pandas frames.

    import trendtab
    with trendtab.open("plant.hst") as history:
        history.tags, history.times, history.values
    frame = trendtab.read_frame("plant.hst", tz="Europe/Berlin")

trendtab.dask.read_frames reads many files as one Dask DataFrame; ``python3 -m trendtab.plot
FILE.hst`` draws a file's tags.
"""

from ._errors import HistoryFileError, StampRangeWarning
from ._history_file import HistoryFile, open, read_frame
from ._version import __version__

__all__ = ["HistoryFile", "HistoryFileError", "StampRangeWarning", "__version__", "open", "read_frame"]
