"""hstexport's text read back by the readers people use: pandas with the README's recipes,
Python's csv module and PostgreSQL's COPY; names written in Windows-1252, UTF-8 and both."""

import csv
import glob
import os
import pathlib
import re
import shutil
import subprocess
import tempfile

import numpy as np
import pytest

import trendtab
from conftest import write_hst

HSTEXPORT = os.environ.get("TRENDTAB_HSTEXPORT") or str(
    pathlib.Path(__file__).resolve().parents[2] / "build" / "hstexport")
README = pathlib.Path(__file__).resolve().parents[2] / "README.md"

# Names as plant PCs write them; bytes, and the text every reader must show.
NAMES = [
    (b"Temperatur \xb0C", "Temperatur \u00b0C"),  # Windows-1252
    (b"caf\xe9 \x80/h", "caf\u00e9 \u20ac/h"),  # Windows-1252
    (b"Druck \xc2\xb0 \xe2\x80\xb0", "Druck \u00b0 \u2030"),  # UTF-8
    (b"\xc3\xa9 \xe9", "\u00c3\u00a9 \u00e9"),  # both: not UTF-8 as a whole
    (b"\x81\x8d\x8f\x90\x9d", "\x81\x8d\x8f\x90\x9d"),  # Windows-1252's unassigned bytes
    (b'Flow, "A"', 'Flow, "A"'),  # quoted in CSV
]


def random_doubles(rng, count):
    """Doubles of every exponent, with zeros, infinities and a NaN among them."""
    bits = rng.integers(0, 2**64, count, dtype=np.uint64, endpoint=False)
    values = bits.view(np.float64)
    values[~np.isfinite(values)] = 1.5
    values[:6] = [0.0, -0.0, np.inf, -np.inf, 5e-324, np.nan]
    return values


@pytest.fixture(scope="module")
def plant(tmp_path_factory):
    """A wide file with odd names, random doubles and millisecond stamps, and a compact one."""
    folder = tmp_path_factory.mktemp("plant")
    rng = np.random.default_rng(25)
    rows = 400
    values = random_doubles(rng, rows * len(NAMES)).reshape(rows, len(NAMES))
    base = 1_704_067_200_000  # 2024-01-01 in ms; stamps run across the summer time change
    stamps = np.sort(base + rng.integers(0, 365 * 86_400_000, rows))
    lines = ["layout wide"]
    lines += ['tag "%s"' % "".join(f"\\x{b:02x}" for b in name) for name, _ in NAMES]
    for stamp, row in zip(stamps, values):
        ticks = int(stamp) * 10_000 + 116_444_736_000_000_000  # FILETIME
        lines.append(f"record #{ticks} " + " ".join(f"0x{b:016x}" for b in row.view(np.uint64)))
    wide = write_hst(folder / "plant.hst", "\n".join(lines) + "\n")
    compact = write_hst(folder / "small.hst", None, "--tags", "4", "--records", "300",
                        "--values", "random", "--seed", "7")
    return folder, wide, compact


def export(*arguments, env=None):
    result = subprocess.run([HSTEXPORT, "-q", *map(str, arguments)], capture_output=True,
                            env=env)
    assert result.returncode == 0, result.stderr
    return result


def same_values(read, stored):
    """Bit for bit, NaN by NaN (its payload is not text)."""
    read = np.asarray(read, dtype=stored.dtype)
    nan = np.isnan(stored)
    assert (np.isnan(read) == nan).all()
    bits = {4: np.uint32, 8: np.uint64}[stored.dtype.itemsize]
    assert (read[~nan].view(bits) == stored[~nan].view(bits)).all()


def test_names_are_the_same_in_python_and_every_output(plant, tmp_path):
    _, wide, _ = plant
    expected = [text for _, text in NAMES]
    with trendtab.open(wide) as history:
        assert list(history.tags) == expected
    export("-o", tmp_path, "--tz", "Europe/Berlin", wide)
    export("-o", tmp_path, "--format", "long", "--utc", wide)
    with open(tmp_path / "plant.csv", encoding="utf-8", newline="") as table:
        assert next(csv.reader(table))[1:] == expected
    with open(tmp_path / "plant.long.csv", encoding="utf-8", newline="") as long:
        rows = list(csv.reader(long))
    assert [row[1] for row in rows[1:len(NAMES) + 1]] == expected


def test_every_single_byte_name(tmp_path):
    """Each byte 0x80-0xFF alone: Python and hstexport agree, and match Windows' code page."""
    tags = "".join(f'tag "\\x{b:02x}"\n' for b in range(0x80, 0x100))
    path = write_hst(tmp_path / "bytes.hst", tags + "record @0" + " 0" * 128 + "\n")
    export("--utc", path)
    with open(tmp_path / "bytes.csv", encoding="utf-8", newline="") as table:
        exported = next(csv.reader(table))[1:]
    windows = [bytes([b]).decode("cp1252", errors="surrogateescape") for b in range(0x80, 0x100)]
    windows = [chr(ord(c) - 0xDC00) if "\udc80" <= c <= "\udcff" else c for c in windows]
    for encoding, names in [("auto", windows), ("latin1", [chr(b) for b in range(0x80, 0x100)])]:
        with trendtab.open(path, encoding=encoding) as history:
            assert list(history.tags) == names
    assert exported == windows


def readme_recipes():
    """The README's pandas recipes: each Python block that reads plant.csv."""
    blocks = re.findall(r"```python\n(.*?)```", README.read_text(encoding="utf-8"), re.S)
    return [block for block in blocks if "read_csv(\"plant.csv\"" in block]


@pytest.mark.parametrize("time_option", [[], ["--utc"], ["--tz", "America/New_York"],
                                         ["--epoch"]])
def test_readme_recipes_read_back_every_value_and_instant(plant, tmp_path, time_option):
    _, wide, _ = plant
    recipes = readme_recipes()
    assert len(recipes) == 2
    recipe = recipes[1] if time_option == ["--epoch"] else recipes[0]
    export("-o", tmp_path, *time_option, wide,
           env=dict(os.environ, TZ="Europe/Berlin"))
    names = {}
    cwd = os.getcwd()
    os.chdir(tmp_path)
    try:
        exec(recipe, names)  # noqa: S102 - the README's own text
    finally:
        os.chdir(cwd)
    frame = names["df"]
    with trendtab.open(wide) as history:
        assert list(frame.columns) == list(history.tags)
        assert (frame.index.values.astype("datetime64[ns]") == history.times).all()
        for column, tag in enumerate(history.tags):
            same_values(frame[tag].to_numpy(), history.values[:, column])


@pytest.mark.parametrize("layout", ["wide", "compact"])
def test_python_csv_reads_back_every_value(plant, tmp_path, layout):
    _, wide, compact = plant
    path = wide if layout == "wide" else compact
    export("-o", tmp_path, "--format", "tsv", path)
    with open(tmp_path / (path.stem + ".tsv"), encoding="utf-8", newline="") as table:
        rows = list(csv.reader(table, delimiter="\t"))
    with trendtab.open(path) as history:
        assert rows[0][1:] == list(history.tags)
        same_values(np.array([[float(cell) for cell in row[1:]] for row in rows[1:]]),
                    history.values)


def quoted(name):
    return '"' + name.replace('"', '""') + '"'


def postgres_tools():
    found = sorted(glob.glob("/usr/lib/postgresql/*/bin/initdb"))
    return pathlib.Path(found[-1]).parent if found else None


class PostgresServer:
    """A throwaway server: its own data folder and socket folder, as an unprivileged user when
    run as root (the server refuses root)."""

    def __init__(self, tools):
        self.tools = tools
        self.folder = pathlib.Path(tempfile.mkdtemp(prefix="trendtab-pg-"))
        self.prefix = []
        if os.geteuid() == 0:
            shutil.chown(self.folder, "nobody", "nogroup")
            self.prefix = ["runuser", "-u", "nobody", "--"]
        self.data = self.folder / "data"

    def run(self, program, *arguments, input=None):
        result = subprocess.run(self.prefix + [str(self.tools / program), *arguments],
                                capture_output=True, input=input, cwd=self.folder)
        assert result.returncode == 0, result.stderr.decode(errors="replace")
        return result.stdout

    def start(self):
        self.run("initdb", "-D", str(self.data), "-U", "postgres", "--auth=trust", "-E", "UTF8",
                 "--no-locale")
        self.run("pg_ctl", "-D", str(self.data), "-l", str(self.folder / "log"), "-w", "-o",
                 f"-k {self.folder} -c listen_addresses='' -p 5432", "start")

    def sql(self, statements, input=None):
        return self.run("psql", "-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1", "-h",
                        str(self.folder), "-p", "5432", "-U", "postgres", "-d", "postgres",
                        "-c", statements, input=input).decode("utf-8")

    def stop(self):
        if (self.data / "postmaster.pid").exists():
            self.run("pg_ctl", "-D", str(self.data), "-m", "immediate", "-w", "stop")
        shutil.rmtree(self.folder, ignore_errors=True)


@pytest.fixture(scope="module")
def postgres():
    tools = postgres_tools()
    if tools is None:
        pytest.skip("PostgreSQL is not installed (scripts/setup installs it)")
    server = PostgresServer(tools)
    try:
        server.start()
        yield server
    finally:
        server.stop()


def test_postgresql_copy_reads_back_names_values_and_instants(plant, tmp_path, postgres):
    _, wide, _ = plant
    export("-o", tmp_path, "--tz", "Europe/Berlin", wide)
    export("-o", tmp_path, "--format", "long", wide)
    with trendtab.open(wide) as history:
        tags, times, values = list(history.tags), history.times, history.values
    columns = ", ".join(f"{quoted(tag)} double precision" for tag in tags)
    postgres.sql(f"create table plant (time timestamptz, {columns}); "
                 "create table samples (time timestamptz, tag text, value double precision)")
    postgres.sql("copy plant from stdin (format csv, header true)",
                 input=(tmp_path / "plant.csv").read_bytes())
    postgres.sql("copy samples from stdin (format csv, header true)",
                 input=(tmp_path / "plant.long.csv").read_bytes())
    # extract(epoch) is numeric: exact microseconds.
    rows = postgres.sql("select (extract(epoch from time) * 1000000)::bigint, " +
                        ", ".join(f"{quoted(tag)}::text" for tag in tags) +
                        " from plant order by time").splitlines()
    cells = [row.split("|") for row in rows]
    assert [int(row[0]) for row in cells] == list(times.astype(np.int64) // 1000)
    pg_float = {"NaN": "nan", "Infinity": "inf", "-Infinity": "-inf"}
    same_values(np.array([[float(pg_float.get(c, c)) for c in row[1:]] for row in cells]), values)
    names = postgres.sql("select distinct tag from samples order by 1").splitlines()
    assert names == sorted(tags, key=lambda tag: tag.encode("utf-8"))


def local_times(text_rows):
    """(wall time text, offset text) of each row of a --time-format local CSV."""
    return [(row[0], row[1]) for row in text_rows[1:]]


def test_workbook_read_back_by_openpyxl(plant, tmp_path):
    openpyxl = pytest.importorskip("openpyxl")
    _, wide, compact = plant
    for path in (wide, compact):
        export("-o", tmp_path, "--format", "xlsx", "--tz", "Europe/Berlin", path)
        export("-o", tmp_path, "--time-format", "local", "--tz", "Europe/Berlin", path)
        with open(tmp_path / (path.stem + ".csv"), encoding="utf-8", newline="") as table:
            text = list(csv.reader(table))
        sheet = openpyxl.load_workbook(tmp_path / (path.stem + ".xlsx"), read_only=True)["Sheet1"]
        rows = list(sheet.iter_rows(values_only=True))
        with trendtab.open(path) as history:
            assert rows[0] == ("time", "utc_offset", *history.tags)
            assert len(rows) == history.record_count + 1
            for (shown, offset), row in zip(local_times(text), rows[1:]):
                # Real dates, to the millisecond the file holds.
                assert row[0].isoformat(sep=" ", timespec="milliseconds")[:len(shown)] == shown
                assert row[1] == offset
            for column, tag in enumerate(history.tags):
                stored = history.values[:, column]
                cells = [row[2 + column] for row in rows[1:]]
                special = {"nan": np.nan, "inf": np.inf, "-inf": -np.inf}
                read = np.array([special[c] if isinstance(c, str) else c for c in cells])
                if history.layout == "compact":
                    # The float's shortest text as a double: the float itself comes back.
                    assert all(c == float(str(v)) for c, v in zip(read, stored)
                               if np.isfinite(v))
                    same_values(read.astype(np.float32), stored)
                else:
                    # 16 significant digits, as the library prints them.
                    finite = np.isfinite(stored)
                    assert (read[finite] == [float("%.16G" % v) for v in stored[finite]]).all()
                    assert (np.isnan(read) == np.isnan(stored)).all()


def soffice(*arguments, folder):
    """LibreOffice headless with a profile of its own, so that tests may run side by side."""
    profile = pathlib.Path(tempfile.mkdtemp(prefix="trendtab-lo-"))
    try:
        subprocess.run(["soffice", f"-env:UserInstallation={profile.as_uri()}", "--headless",
                        *arguments], cwd=folder, check=True, capture_output=True, timeout=300)
    finally:
        shutil.rmtree(profile, ignore_errors=True)


def test_libreoffice_reads_dates_and_numbers(plant, tmp_path):
    if shutil.which("soffice") is None:
        pytest.skip("LibreOffice is not installed (scripts/setup installs it)")
    _, _, compact = plant
    export("-o", tmp_path, "--format", "xlsx", "--tz", "Europe/Berlin", compact)
    export("-o", tmp_path, "--time-format", "local", "--tz", "Europe/Berlin", compact)
    (tmp_path / "lo").mkdir()
    soffice("--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76", "--outdir", "lo",
            "small.xlsx", folder=tmp_path)
    with open(tmp_path / "lo" / "small.csv", encoding="utf-8", newline="") as table:
        shown = list(csv.reader(table))
    with open(tmp_path / "small.csv", encoding="utf-8", newline="") as table:
        text = list(csv.reader(table))
    with trendtab.open(compact) as history:
        assert shown[0] == ["time", "utc_offset", *history.tags]
        # The date cells show the wall time hstexport writes as text.
        assert local_times(shown) == local_times(text)
        values = np.array([[float(cell) for cell in row[2:]] for row in shown[1:]])
        assert np.allclose(values, history.values, rtol=1e-6, atol=0)


def test_sheets_continue_past_a_million_rows(tmp_path):
    rows = 1_048_575 + 5  # a full first sheet below its header, five rows on the next
    path = write_hst(tmp_path / "long.hst", None, "--tags", "1", "--records", str(rows))
    export("--format", "xlsx", "--utc", path)
    import zipfile
    with zipfile.ZipFile(tmp_path / "long.xlsx") as workbook:
        names = re.findall(r'<sheet name="([^"]+)"', workbook.read("xl/workbook.xml").decode())
        second = workbook.read("xl/worksheets/sheet2.xml").decode()
    assert names == ["Sheet1", "Sheet2"]
    assert re.findall(r'<row r="(\d+)"', second) == ["1", "2", "3", "4", "5", "6"]
    assert "<autoFilter" in second and 'state="frozen"' in second
