"""The project version, major and minor, as CMakeLists.txt sets it: the one place it is written."""
import os
import re

CMAKELISTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "CMakeLists.txt")


def project_version(path=CMAKELISTS):
    with open(path, encoding="utf-8") as f:
        m = re.search(r"^project\(\s*Pelmor\s+VERSION\s+(\d+)\.(\d+)", f.read(), re.M)
    if not m:
        raise ValueError(f"{path}: no project(Pelmor VERSION major.minor ...)")
    return int(m.group(1)), int(m.group(2))
