"""The documentation, run: the README's and the man pages' commands, their shown outputs, the
Python snippets and docstring examples, and each tool's options against its man page.

    check_docs.py shell|python|options --source SRC --build BUILD

The documents are read when the test runs, so a new section is checked as soon as it is written.

What runs (the README's Tests section says the same for writers):
- a fenced block marked ``sh`` is a script: it runs whole in bash (-e, pipefail) and must
  succeed;
- a fenced block without a language whose lines start with ``$ `` is a shell session: each
  ``$`` line is a command on its own (a fresh shell, a trailing backslash continues it), and the
  lines up to the next ``$`` line are its standard output, compared byte for byte, with ``→``
  standing for a TAB;
- a fenced ``python`` block runs under Debian's /usr/bin/python3 and must succeed;
- in a man page, every command of EXAMPLES (a ``.B`` line after ``.TP``, each line of a ``.nf``
  block) must succeed; a ``.nf`` block after a paragraph naming Python is Python;
- ``<!-- docs-test: skip (reason) -->`` (in a man page ``.\\" docs-test: skip (reason)``) on the
  lines just before a block leaves it out: for what installs packages, needs root, a browser, a
  server, Windows, or takes minutes.

Every document runs in a scratch folder of its own, in order, with: ``examples/`` (the bundled
examples and their hstgen descriptions), ``plant.hst`` and ``plant.csv`` (three tags across
October 2024), ``data/history/`` (a small folder tree), ``scripts/`` (the project's), ``build/``
(the build tree's programs; ``build/examples`` is the scratch folder's own) and the tools on
``PATH`` as if installed. The zone is one no block would assume (``TZ`` below): a block whose
output depends on the zone says which it assumes (``TZ=UTC0 ...``).
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile

PYTHON = "/usr/bin/python3"
TOOLS = ["trendtab", "hstinfo", "hstexport", "hstgen", "tzquery", "hstview"]
# Twelve hours ahead with daylight saving: shown times that forget their zone come out wrong.
ZONE = "NZST-12NZDT,M9.5.0,M4.1.0/3"
SKIP = re.compile(r"docs-test:\s*skip\b")
TIMEOUT = int(os.environ.get("DOCS_TIMEOUT", "300"))  # seconds a block may take


class Block:
    def __init__(self, kind, text, where, skipped):
        self.kind = kind  # "script", "session" or "python"
        self.text = text
        self.where = where  # "README.md:12"
        self.skipped = skipped


# ---- reading the documents ----

def markdown_blocks(path):
    name = os.path.basename(path)
    lines = open(path, encoding="utf-8").read().split("\n")
    blocks = []
    i = 0
    while i < len(lines):
        fence = re.match(r"^(```+)\s*(\S*)", lines[i])
        if not fence:
            i += 1
            continue
        start = i
        info = fence.group(2).lower()
        body = []
        i += 1
        while i < len(lines) and not lines[i].startswith(fence.group(1)):
            body.append(lines[i])
            i += 1
        i += 1
        before = start - 1
        while before >= 0 and not lines[before].strip():
            before -= 1
        skipped = before >= 0 and SKIP.search(lines[before]) is not None
        text = "\n".join(body) + "\n"
        where = f"{name}:{start + 1}"
        if info in ("sh", "bash", "shell"):
            blocks.append(Block("script", text, where, skipped))
        elif info in ("", "console", "text") and any(line.startswith("$ ") for line in body):
            blocks.append(Block("session", text, where, skipped))
        elif info in ("python", "py"):
            blocks.append(Block("python", text, where, skipped))
    return blocks


def roff_text(line):
    """The text a roff line shows: font requests joined as man does, escapes resolved."""
    request = re.match(r"^\.(B|I|R|BI|BR|IB|IR|RB|RI)\s+(.*)$", line)
    if request:
        words = re.findall(r'"((?:[^"]|"")*)"|(\S+)', request.group(2))
        parts = [quoted if quoted or not bare else bare for quoted, bare in words]
        line = (" " if len(request.group(1)) == 1 else "").join(parts)
    elif line.startswith("."):
        return ""
    line = re.sub(r"\\f[BIRP]|\\f\(..|\\&|\\c$", "", line)
    line = line.replace("\\-", "-").replace("\\e", "\\").replace("\\(aq", "'")
    return line.replace("\\(dq", '"').replace("\\ ", " ").replace("\\(em", "--")


def man_sections(path):
    sections = {}
    current = None
    for line in open(path, encoding="utf-8").read().split("\n"):
        header = re.match(r'^\.SH\s+"?([^"]*)"?', line)
        if header:
            current = header.group(1).strip().upper()
            sections[current] = []
        elif current is not None:
            sections[current].append(line)
    return sections


def man_example_blocks(path):
    name = os.path.basename(path)
    lines = man_sections(path).get("EXAMPLES", [])
    blocks = []
    skipped = False
    python_next = False
    i = 0
    while i < len(lines):
        line = lines[i]
        if line.startswith('.\\"'):
            skipped = skipped or SKIP.search(line) is not None
        elif line == ".TP" and i + 1 < len(lines):
            i += 1
            blocks.append(Block("script", roff_text(lines[i]) + "\n", f"{name} EXAMPLES",
                                skipped))
            skipped = False
        elif line == ".nf":
            body = []
            i += 1
            while i < len(lines) and lines[i] != ".fi":
                body.append(roff_text(lines[i]))
                i += 1
            blocks.append(Block("python" if python_next else "script", "\n".join(body) + "\n",
                                f"{name} EXAMPLES", skipped))
            skipped = python_next = False
        elif not line.startswith("."):
            python_next = "python" in line.lower()
        i += 1
    return blocks


# ---- the scratch folder ----

def run(command, cwd, env, timeout=TIMEOUT, input_text=None):
    """The command's outcome; one that outlives `timeout` is stopped with all it started (a
    server left running would hold the pipes open) and reported as failed."""
    process = subprocess.Popen(command, cwd=cwd, env=env, stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                               errors="replace", start_new_session=True)
    try:
        stdout, stderr = process.communicate(input_text, timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        stdout, stderr = process.communicate()
        stderr += (f"\n(stopped after {timeout} s: a server or a long run needs "
                   "<!-- docs-test: skip (reason) --> before its block)")
        return subprocess.CompletedProcess(command, -signal.SIGKILL, stdout, stderr)
    return subprocess.CompletedProcess(command, process.returncode, stdout, stderr)


def plant_description():
    """Three tags, a record every six hours across October 2024 (its daylight-saving change in
    Europe included)."""
    lines = ["layout compact", "tag Tank1", "tag Tank2", "tag Flow"]
    for day in range(1, 32):
        for hour in (0, 6, 12, 18):
            n = day * 4 + hour // 6
            lines.append(f"record 2024-10-{day:02d}T{hour:02d}:00:00 {n * 0.25} {-n} {n * 1.5}")
    return "\n".join(lines) + "\n"


def make_scratch(source, build):
    scratch = tempfile.mkdtemp(prefix="docs-")
    shutil.copytree(os.path.join(source, "examples"), os.path.join(scratch, "examples"))
    os.symlink(os.path.join(source, "scripts"), os.path.join(scratch, "scripts"))
    scratch_build = os.path.join(scratch, "build")
    os.mkdir(scratch_build)
    for entry in os.listdir(build):
        if entry != "examples":
            os.symlink(os.path.join(build, entry), os.path.join(scratch_build, entry))
    bin_dir = os.path.join(scratch, ".bin")
    os.mkdir(bin_dir)
    for tool in TOOLS:
        if os.path.exists(os.path.join(build, tool)):
            os.symlink(os.path.join(build, tool), os.path.join(bin_dir, tool))
    env = dict(os.environ, TZ=ZONE, PATH=bin_dir + os.pathsep + os.environ.get("PATH", ""),
               MPLBACKEND="Agg", PYTHONDONTWRITEBYTECODE="1", HOME=scratch)
    hstgen = os.path.join(build, "hstgen")
    made = run([hstgen, "plant.hst", "--from", "-"], scratch, env, input_text=plant_description())
    for name in ("site1/a.hst", "site1/b.hst", "site2/deep/c.hst"):
        target = os.path.join(scratch, "data", "history", name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy(os.path.join(source, "examples", "compact.hst"), target)
    exported = run([os.path.join(build, "hstexport"), "-q", "--tz", "Europe/Berlin", "plant.hst"],
                   scratch, env)
    if made.returncode or exported.returncode:
        sys.exit(f"cannot make the scratch files: {made.stderr}{exported.stderr}")
    return scratch, env


# ---- running ----

def session_commands(text):
    """(command, expected output) of each "$ " line of a session block."""
    steps = []
    lines = text.split("\n")[:-1]
    i = 0
    while i < len(lines):
        if not lines[i].startswith("$ "):
            i += 1
            continue
        command = lines[i][2:]
        while command.endswith("\\") and i + 1 < len(lines):
            i += 1
            command = command[:-1] + "\n" + lines[i]
        expected = []
        i += 1
        while i < len(lines) and not lines[i].startswith("$ "):
            expected.append(lines[i])
            i += 1
        shown = "\n".join(expected).replace("→", "\t")
        steps.append((command, shown + "\n" if expected else ""))
    return steps


def report(block, what, result):
    return (f"{block.where}: {what}\n  exit status {result.returncode}\n"
            f"  stdout:\n{indent(result.stdout)}  stderr:\n{indent(result.stderr)}")


def indent(text):
    return "".join("    " + line + "\n" for line in text.splitlines()[-40:])


def run_block(block, scratch, env):
    """Failures of one block, as text."""
    if block.kind == "script":
        result = run(["bash", "-euo", "pipefail", "-c", block.text], scratch, env)
        return [report(block, "the block failed:\n" + indent(block.text), result)] \
            if result.returncode else []
    if block.kind == "python":
        result = run([PYTHON, "-c", block.text], scratch, env)
        return [report(block, "the Python block failed:\n" + indent(block.text), result)] \
            if result.returncode else []
    failures = []
    for command, expected in session_commands(block.text):
        result = run(["bash", "-o", "pipefail", "-c", command], scratch, env)
        if result.returncode or result.stdout != expected:
            failures.append(report(block, f"$ {command}\n  shown:\n{indent(expected)}", result))
    return failures


def documents(source):
    readme = os.path.join(source, "README.md")
    pages = sorted(os.path.join(source, "man", name)
                   for name in os.listdir(os.path.join(source, "man")) if name.endswith(".1"))
    return [(readme, markdown_blocks(readme))] + [(page, man_example_blocks(page))
                                                   for page in pages]


def check_blocks(source, build, kinds):
    failures = []
    ran = skipped = 0
    for path, blocks in documents(source):
        wanted = [block for block in blocks if block.kind in kinds]
        if not wanted:
            continue
        scratch, env = make_scratch(source, build)
        env["PYTHONPATH"] = os.path.join(build, "python")
        try:
            for block in wanted:
                if block.skipped:
                    skipped += 1
                    continue
                ran += 1
                failures += run_block(block, scratch, env)
        finally:
            shutil.rmtree(scratch, ignore_errors=True)
    return failures, f"{ran} blocks ran, {skipped} skipped"


def check_doctests(source, build):
    """The examples in the Python package's docstrings, run in a scratch folder."""
    failures = []
    scratch, env = make_scratch(source, build)
    python_dir = os.path.join(build, "python")
    script = f"""
import doctest, importlib, os, pkgutil, sys
sys.path.insert(0, {python_dir!r})
import trendtab
failed = tried = 0
for module in ["trendtab"] + ["trendtab." + m.name for m in pkgutil.iter_modules(trendtab.__path__)]:
    result = doctest.testmod(importlib.import_module(module), optionflags=doctest.ELLIPSIS)
    failed += result.failed
    tried += result.attempted
print(tried, "docstring examples")
sys.exit(1 if failed or not tried else 0)
"""
    try:
        result = run([PYTHON, "-c", script], scratch, env)
        if result.returncode:
            failures.append(f"docstring examples failed:\n{result.stdout}{result.stderr}")
        return failures, result.stdout.strip()
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


# ---- options ----

OPTION = re.compile(r"(?:^|(?<=[\s\[|,(]))(--[A-Za-z][A-Za-z0-9-]*|-[A-Za-z])(?=[\s\]|,=)]|$)")


def options_in(text):
    return set(OPTION.findall(text))


def man_options(path):
    """Options the man page names: in its OPTIONS section, else in the whole page but
    EXAMPLES and SEE ALSO."""
    sections = man_sections(path)
    names = ["OPTIONS"] if "OPTIONS" in sections else [
        name for name in sections if name not in ("EXAMPLES", "SEE ALSO")]
    return options_in("\n".join(roff_text(line) for name in names for line in sections[name]))


def readme_section(source, title_word):
    text = open(os.path.join(source, "README.md"), encoding="utf-8").read()
    match = re.search(r"^## [^\n]*" + title_word + r"[^\n]*\n(.*?)(?=^## )", text, re.M | re.S)
    return match.group(1) if match else ""


def check_options(source, build):
    failures = []
    checked = []
    for tool in TOOLS[1:]:
        program = os.path.join(build, tool)
        page = os.path.join(source, "man", tool + ".1")
        if not os.path.exists(program):
            continue
        if not os.path.exists(page):
            failures.append(f"{tool}: no man page man/{tool}.1")
            continue
        result = subprocess.run([program, "--help"], capture_output=True, text=True, timeout=60)
        if result.returncode:
            failures.append(f"{tool} --help: exit status {result.returncode}")
        shown = options_in(result.stdout)
        documented = man_options(page)
        if shown != documented:
            failures.append(
                f"{tool}: --help and man/{tool}.1 disagree\n"
                f"  only in --help: {' '.join(sorted(shown - documented)) or '-'}\n"
                f"  only in the man page: {' '.join(sorted(documented - shown)) or '-'}")
        checked.append(tool)
    # trendtab has a fixed usage text instead of --help: its options against the README's
    # command-line list and the man page's OPTIONS.
    usage = subprocess.run([os.path.join(build, "trendtab")], capture_output=True, text=True,
                           timeout=60).stdout
    letters = lambda text: set(re.findall(r"(?<![\w/])(/[a-z])(?![a-z])", text))
    in_usage = letters(usage)
    in_readme = letters("\n".join(line for line in readme_section(source, "Command line")
                                  .split("\n") if line.startswith("- `/")))
    in_page = {option for option in re.findall(
        r"^\.BI?\s+(/[a-z])", "\n".join(man_sections(os.path.join(source, "man", "trendtab.1"))
                                       .get("OPTIONS", [])), re.M)}
    for where, found in (("README.md's command-line list", in_readme),
                         ("man/trendtab.1 OPTIONS", in_page)):
        if found != in_usage:
            failures.append(f"trendtab: usage text {sorted(in_usage)} but {where} "
                            f"{sorted(found)}")
    checked.append("trendtab")
    return failures, "options of " + ", ".join(checked)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("what", choices=["shell", "python", "options"])
    parser.add_argument("--source", required=True)
    parser.add_argument("--build", required=True)
    arguments = parser.parse_args()
    source, build = os.path.abspath(arguments.source), os.path.abspath(arguments.build)
    if arguments.what == "shell":
        failures, summary = check_blocks(source, build, {"script", "session"})
    elif arguments.what == "python":
        failures, summary = check_blocks(source, build, {"python"})
        more, doctests = check_doctests(source, build)
        failures += more
        summary += "; " + doctests
    else:
        failures, summary = check_options(source, build)
    for failure in failures:
        print(failure, end="\n\n")
    print(f"{summary}; {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
