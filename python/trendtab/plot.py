"""Draws the tags of a history file against time into a picture.

    python3 -m trendtab.plot FILE.hst [-o OUT.png] [--tags NAME ...] [--tz ZONE] [--overlay]

One panel per tag (or all on one axis with --overlay), against local time unless --tz names
another zone. The picture goes to OUT.png, by default FILE.png beside the input.
"""

import argparse
import os
import sys

from ._errors import HistoryFileError
from ._history_file import read_frame
from ._zones import local_zone_name


def plot_frame(frame, title, zone_label, overlay=False):
    """A matplotlib Figure of the frame's columns against its index (wall-clock time)."""
    from matplotlib.dates import AutoDateLocator, ConciseDateFormatter
    from matplotlib.figure import Figure

    times = frame.index.tz_localize(None) if frame.index.tz is not None else frame.index
    panels = 1 if overlay or frame.shape[1] == 0 else frame.shape[1]
    figure = Figure(figsize=(9, 1.2 + 1.6 * panels), layout="constrained")
    axes = figure.subplots(panels, 1, sharex=True, squeeze=False)[:, 0]
    for column, name in enumerate(frame.columns):
        axis = axes[0] if overlay else axes[column]
        axis.plot(times, frame.iloc[:, column].to_numpy(), label=str(name), linewidth=1.2)
        if not overlay:
            axis.set_ylabel(str(name))
    if overlay and frame.shape[1]:
        axes[0].legend(loc="best", fontsize="small")
        axes[0].set_ylabel("value")
    locator = AutoDateLocator()
    axes[-1].xaxis.set_major_locator(locator)
    axes[-1].xaxis.set_major_formatter(ConciseDateFormatter(locator))
    axes[-1].set_xlabel(f"time ({zone_label})")
    for axis in axes:
        axis.grid(True, linewidth=0.4, alpha=0.6)
    figure.suptitle(title)
    return figure


def _arguments(argv):
    parser = argparse.ArgumentParser(
        prog="python3 -m trendtab.plot",
        description="Draws the tags of a history file (.hst) against time into a PNG.")
    parser.add_argument("file", help="the history file")
    parser.add_argument("-o", "--output", help="picture to write (default: FILE.png)")
    parser.add_argument("--tags", nargs="+", metavar="NAME", help="only these tags")
    parser.add_argument("--tz", default="local",
                        help='zone of the time axis: an IANA name, "UTC" or "local" (default)')
    parser.add_argument("--overlay", action="store_true", help="all tags on one axis")
    return parser.parse_args(argv)


def main(argv=None):
    arguments = _arguments(argv)
    output = arguments.output or os.path.splitext(arguments.file)[0] + ".png"
    try:
        frame = read_frame(arguments.file, tz=arguments.tz, tags=arguments.tags)
        zone_label = arguments.tz if arguments.tz != "local" else local_zone_name()
        figure = plot_frame(frame, os.path.basename(arguments.file), zone_label,
                            arguments.overlay)
        figure.savefig(output, dpi=100)
    except (HistoryFileError, OSError, KeyError, ValueError) as error:
        print(f"trendtab.plot: {error}", file=sys.stderr)
        return 1
    print(output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
