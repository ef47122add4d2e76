"""Errors raised for history files."""


class HistoryFileError(ValueError):
    """A history file the converter refuses.

    ``message`` is the converter's own console text for it, exactly as it prints it (some texts
    carry leading spaces or no line end; a file cut inside its first block has none); ``path``
    is the file.
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
