"""cmake --install puts the package where Debian's Python looks under the prefix."""

import os
import pathlib
import subprocess

import pytest

from conftest import EXAMPLES, run_python


def test_installed_package_imports_from_the_prefix(tmp_path):
    build = os.environ.get("TRENDTAB_BUILD_DIR")
    if not build:
        pytest.skip("TRENDTAB_BUILD_DIR not set")
    subprocess.run(["cmake", "--install", build, "--prefix", str(tmp_path),
                    "--component", "python3-trendtab"], check=True, capture_output=True)
    site = tmp_path / "lib" / "python3" / "dist-packages"
    code = f"import trendtab; print(trendtab.__file__, trendtab.__version__); print(len(trendtab.read_frame({str(EXAMPLES / 'wide.hst')!r})))"
    result = run_python(code, PYTHONPATH=str(site))
    assert result.returncode == 0, result.stderr
    location, version, rows = result.stdout.split()
    assert pathlib.Path(location).is_relative_to(site) and rows == "10"
    assert version.count(".") == 2
