"""python3 -m trendtab.plot writes a PNG; bad input gives a message and status 1."""

import shutil

from conftest import EXAMPLES, run_python

PNG_MAGIC = b"\x89PNG\r\n\x1a\n"


def test_panels_by_default_beside_the_input(tmp_path):
    source = tmp_path / "compact.hst"
    shutil.copy(EXAMPLES / "compact.hst", source)
    result = run_python(["-m", "trendtab.plot", str(source)], TZ="Europe/Berlin")
    assert result.returncode == 0, result.stderr
    picture = tmp_path / "compact.png"
    assert result.stdout.strip() == str(picture)
    assert picture.read_bytes().startswith(PNG_MAGIC)


def test_overlay_of_chosen_tags_in_a_named_zone(tmp_path):
    picture = tmp_path / "out.png"
    result = run_python(["-m", "trendtab.plot", str(EXAMPLES / "wide.hst"), "-o", str(picture),
                         "--tags", "Level", "Pressure", "--tz", "America/New_York", "--overlay"])
    assert result.returncode == 0, result.stderr
    assert picture.read_bytes().startswith(PNG_MAGIC)


def test_bad_input_is_reported(tmp_path):
    broken = tmp_path / "broken.hst"
    broken.write_bytes(b"\x02")
    for arguments in ([str(broken)], [str(tmp_path / "missing.hst")],
                      [str(EXAMPLES / "wide.hst"), "--tags", "Nope", "-o", str(tmp_path / "x.png")]):
        result = run_python(["-m", "trendtab.plot"] + arguments)
        assert result.returncode == 1 and result.stderr.startswith("trendtab.plot: ")
    assert not (tmp_path / "broken.png").exists() and not (tmp_path / "x.png").exists()


def test_autumn_change_on_a_continuous_axis(hst):
    """Berlin's repeated hour: the line's x data (instants) rise throughout, and the labels give
    local time with both offsets."""
    import numpy as np

    import trendtab
    from trendtab.plot import plot_frame

    path = hst(None, "--layout", "wide", "--tags", "2", "--start", "2024-10-26T22:00:00",
               "--step", "60", "--records", "300")
    frame = trendtab.read_frame(path, tz="Europe/Berlin")
    figure = plot_frame(frame, "autumn", "Europe/Berlin", steps=True)
    figure.canvas.draw()
    for axis in figure.axes:
        x = axis.lines[0].get_xdata()
        assert len(x) == 300 and np.all(np.diff(x) > np.timedelta64(0))
    labels = " ".join(label.get_text() for label in figure.axes[-1].get_xticklabels())
    assert "+02:00" in labels and "+01:00" in labels


def test_many_tags_in_a_grid_over_several_pictures(tmp_path, hst):
    path = hst(None, "--tags", "40", "--wide-tags", "40", "--records", "50", name="many.hst")
    picture = tmp_path / "many.png"
    result = run_python(["-m", "trendtab.plot", str(path), "-o", str(picture), "--tz", "UTC",
                         "--steps"])
    assert result.returncode == 0, result.stderr
    second = tmp_path / "many-2.png"
    assert result.stdout.split() == [str(picture), str(second)]
    from PIL import Image
    for name in (picture, second):
        width, height = Image.open(name).size
        assert width < 2000 and height < 1800, (name, width, height)
