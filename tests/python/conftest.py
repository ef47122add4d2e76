"""Shared helpers: history files written by hstgen from a description."""

import os
import pathlib
import subprocess
import sys

import pytest

EXAMPLES = pathlib.Path(__file__).resolve().parents[2] / "examples"
BUILD = pathlib.Path(__file__).resolve().parents[2] / "build"


def tool(variable, name):
    return os.environ.get(variable) or str(BUILD / name)


HSTGEN = tool("TRENDTAB_HSTGEN", "hstgen")
CONVERTER = tool("TRENDTAB_CONVERTER", "trendtab")


def write_hst(path, description=None, *options):
    """Writes `path` with hstgen, from a description text or from generation options."""
    arguments = [HSTGEN, str(path)] + (["--from", "-"] if description is not None else [])
    subprocess.run(arguments + list(options), input=(description or "").encode(), check=True)
    return path


@pytest.fixture
def hst(tmp_path):
    """hst(description) or hst(None, *options) -> path of a fresh file."""
    count = iter(range(1000))

    def make(description=None, *options, name=None):
        return write_hst(tmp_path / (name or f"f{next(count)}.hst"), description, *options)

    return make


def python_env(**extra):
    env = dict(os.environ)
    env.update(extra)
    return env


def run_python(code_or_args, **env):
    arguments = code_or_args if isinstance(code_or_args, list) else ["-c", code_or_args]
    return subprocess.run([sys.executable] + arguments, capture_output=True, text=True,
                          env=python_env(**env))
