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
