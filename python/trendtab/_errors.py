"""Errors and warnings raised for history files."""

import sys
import warnings


class HistoryFileError(ValueError):
    """A history file the converter refuses.

    ``message`` is the converter's own console text for it, exactly as it prints it (some texts
    carry leading spaces or no line end); ``path`` is the file. A file cut inside its first block
    has the empty message, as the converter prints nothing for it; ``str()`` of the error then
    reads "History file ends inside its first block: PATH".
    """

    def __init__(self, message, path):
        super().__init__(message, path)
        self.message = message
        self.path = path

    def __str__(self):
        text = self.message.strip()
        if text:
            return text if self.path in text else f"{text}: {self.path}"
        return f"History file ends inside its first block: {self.path}"


class StampRangeWarning(RuntimeWarning):
    """Stamps that numpy's datetime64[ns] cannot hold were given as NaT."""


def warn_caller(message, category):
    """Warns at the first caller outside this package, wherever inside it the cause was met."""
    level, frame = 2, sys._getframe(1)  # 1 would be this function
    while frame is not None and frame.f_globals.get("__name__", "").startswith("trendtab."):
        level, frame = level + 1, frame.f_back
    warnings.warn(message, category, stacklevel=level)
