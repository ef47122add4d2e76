"""Draws the tags of a history file against time into pictures.

    python3 -m trendtab.plot FILE.hst [-o OUT.png] [--tags NAME ...] [--tz ZONE] [--overlay]
                                      [--steps]

One panel per tag in a grid (or all on one axis with --overlay), on a continuous time axis: the
axis holds instants, so a daylight-saving change draws nothing twice and leaves no gap; its
labels show local time in ZONE (the system's by default) with the UTC offset under the first
label and wherever it changes. Up to 24 panels go into one picture, OUT.png (by default FILE.png
beside the input); more tags go on into OUT-2.png, OUT-3.png, ...
"""

import argparse
import math
import os
import sys

from ._errors import HistoryFileError
from ._history_file import HistoryFile, read_frame
from ._zones import local_zone_name

PANELS_PER_PICTURE = 24
ROWS_PER_COLUMN = 8


def _offset_text(local):
    """"+02:00" ("-04:56:02" for local mean time) for an aware datetime."""
    seconds = int(local.utcoffset().total_seconds())
    sign = "-" if seconds < 0 else "+"
    seconds = abs(seconds)
    text = f"{sign}{seconds // 3600:02}:{seconds // 60 % 60:02}"
    return text + (f":{seconds % 60:02}" if seconds % 60 else "")


def _local_time_formatter(locator, zone):
    """Tick labels of instants in the zone's local time (matplotlib's concise labels), with the
    UTC offset under the first label and under each label where it changed."""
    from matplotlib.dates import ConciseDateFormatter, num2date

    class LocalTimeFormatter(ConciseDateFormatter):
        def format_ticks(self, values):
            labels = super().format_ticks(values)
            shown = None
            result = []
            for value, label in zip(values, labels):
                offset = _offset_text(num2date(value).astimezone(zone))
                result.append(label if offset == shown else f"{label}\n{offset}")
                shown = offset
            return result

    return LocalTimeFormatter(locator, tz=zone)


def _instants(index):
    """The index as naive UTC datetime64 values, which matplotlib takes as instants."""
    return (index.tz_convert("UTC").tz_localize(None) if index.tz is not None else index).to_numpy()


def _tick_zone(zone, times):
    """Where ticks go: over a few days, by a fixed offset (the zone's at the first stamp), so
    that ticks stay evenly spaced through a daylight-saving change and the repeated hour gets
    ticks of its own; over longer spans by the zone itself, so that day ticks fall on local
    midnights."""
    import datetime

    import numpy as np

    stamps = times[~np.isnat(times)]
    if len(stamps) == 0 or stamps.max() - stamps.min() > np.timedelta64(3, "D"):
        return zone
    first = datetime.datetime.fromtimestamp(stamps.min().astype("datetime64[s]").astype(int),
                                            datetime.timezone.utc)
    return datetime.timezone(first.astimezone(zone).utcoffset())


def plot_frame(frame, title, zone_label, overlay=False, steps=False, units=None):
    """A matplotlib Figure of the frame's columns against the instants of its index, labelled in
    the index's zone. One panel per column in a grid of up to eight rows (one axis for all with
    ``overlay``); ``steps`` draws each value as holding until the next sample; ``units`` maps a
    column to a text shown beside its name (the tag's description)."""
    import datetime

    from matplotlib.dates import AutoDateLocator
    from matplotlib.figure import Figure
    from matplotlib.ticker import ScalarFormatter

    zone = frame.index.tz or datetime.timezone.utc
    times = _instants(frame.index)
    count = 1 if overlay or frame.shape[1] == 0 else frame.shape[1]
    columns = math.ceil(count / ROWS_PER_COLUMN)
    rows = math.ceil(count / columns)
    figure = Figure(figsize=(1 + 5.5 * columns, 1.4 + 1.7 * rows), layout="constrained")
    axes = figure.subplots(rows, columns, sharex=True, squeeze=False)
    panels = [axes[row, column] for column in range(columns) for row in range(rows)]
    drawstyle = "steps-post" if steps else "default"
    for number, name in enumerate(frame.columns):
        axis = panels[0] if overlay else panels[number]
        label = str(name)
        if units and units.get(name):
            label += f" [{units[name]}]"
        axis.plot(times, frame.iloc[:, number].to_numpy(), label=label, linewidth=1.2,
                  drawstyle=drawstyle)
        if not overlay:
            axis.set_ylabel(label, fontsize="small")
    if overlay and frame.shape[1]:
        panels[0].legend(loc="best", fontsize="small")
        panels[0].set_ylabel("value")
    for number, axis in enumerate(panels):
        if number >= count:
            axis.set_visible(False)
            continue
        formatter = ScalarFormatter(useOffset=False)  # plain numbers, no "+1.9782e8"
        formatter.set_scientific(False)
        axis.yaxis.set_major_formatter(formatter)
        axis.grid(True, linewidth=0.4, alpha=0.6)
        last_in_column = number % rows == rows - 1 or number == count - 1
        if last_in_column:
            locator = AutoDateLocator(tz=_tick_zone(zone, times))
            axis.xaxis.set_major_locator(locator)
            axis.xaxis.set_major_formatter(_local_time_formatter(locator, zone))
            axis.xaxis.set_tick_params(labelbottom=True)
            axis.set_xlabel(f"local time ({zone_label})")
    figure.suptitle(title)
    return figure


def _pages(count, overlay):
    """The column positions each picture shows."""
    if overlay or count == 0:
        return [range(count)]
    return [range(first, min(first + PANELS_PER_PICTURE, count))
            for first in range(0, count, PANELS_PER_PICTURE)]


def _picture_name(output, page):
    if page == 0:
        return output
    stem, extension = os.path.splitext(output)
    return f"{stem}-{page + 1}{extension}"


def _arguments(argv):
    parser = argparse.ArgumentParser(
        prog="python3 -m trendtab.plot",
        description="Draws the tags of a history file (.hst) against time into PNG pictures.")
    parser.add_argument("file", help="the history file")
    parser.add_argument("-o", "--output", help="picture to write (default: FILE.png); more than "
                        f"{PANELS_PER_PICTURE} tags go on into OUT-2.png, ...")
    parser.add_argument("--tags", nargs="+", metavar="NAME", help="only these tags")
    parser.add_argument("--tz", default="local",
                        help='zone of the time labels: an IANA name, "UTC" or "local" (default)')
    parser.add_argument("--overlay", action="store_true", help="all tags on one axis")
    parser.add_argument("--steps", action="store_true",
                        help="draw each value as holding until the next sample")
    return parser.parse_args(argv)


def main(argv=None):
    arguments = _arguments(argv)
    output = arguments.output or os.path.splitext(arguments.file)[0] + ".png"
    try:
        frame = read_frame(arguments.file, tz=arguments.tz, tags=arguments.tags)
        with HistoryFile(arguments.file) as history:
            units = dict(zip(history.tags, history.descriptions))
        zone_label = arguments.tz if arguments.tz != "local" else local_zone_name()
        pages = _pages(frame.shape[1], arguments.overlay)
        names = []
        for page, columns in enumerate(pages):
            title = os.path.basename(arguments.file)
            if len(pages) > 1:
                title += f" ({page + 1} of {len(pages)})"
            figure = plot_frame(frame.iloc[:, columns], title, zone_label,
                                arguments.overlay, arguments.steps, units)
            names.append(_picture_name(output, page))
            figure.savefig(names[-1], dpi=100)
    except (HistoryFileError, OSError, KeyError, ValueError) as error:
        print(f"trendtab.plot: {error}", file=sys.stderr)
        return 1
    print("\n".join(names))
    return 0


if __name__ == "__main__":
    sys.exit(main())
