#!/usr/bin/env python3
"""Every quoted include of a project header names its folder from the project root.

    tools/check_includes.py [--root DIR] [--fix] [PATH ...]

Without --fix it lists each include that relies on the including file's folder or on a per-folder
include path, and each file name two product headers share, and exits 1 when there is any. With --fix
it rewrites such includes to the root-relative path the compiler would have found: the including
file's own folder first, then (for a test) the folder it tests, then the one project header whose path
ends in the name; a header renamed so that no two share a name is found under its new name. Quoted includes of
headers that are not in the tree (the ones generated into the build tree) are left as they are.
Running it again changes nothing.
"""
import argparse
import os
import re
import sys

SOURCE_EXTENSIONS = (".h", ".hpp", ".c", ".cc", ".cpp", ".rc")
HEADER_EXTENSIONS = (".h", ".hpp")
# Tests, benchmarks and fuzz targets are not shipped: only product headers must have unique names.
NON_PRODUCT = ("tests", "bench", "fuzz")
INCLUDE = re.compile(r'^(\s*#\s*include\s*")([^"]+)(".*)$')
# Headers renamed so that no two share a name: an include of the old path (from a branch made before)
# is taken to mean the new one rather than the other header that kept the name.
RENAMED = {
    "magnetic/Geometry.h": "magnetic/EntryTable.h",
    "updater/frmMain.h": "updater/UpdaterForm.h",
}


def project_files(root, paths):
    """Relative paths (with /) of the sources under root, or under the given paths; build trees skipped."""
    tops = paths or [root]
    found = []
    for top in tops:
        top = os.path.abspath(top)
        if os.path.isfile(top):
            found.append(os.path.relpath(top, root).replace(os.sep, "/"))
            continue
        for folder, dirs, files in os.walk(top):
            rel_folder = os.path.relpath(folder, root)
            dirs[:] = sorted(d for d in dirs if not d.startswith(".")
                             and not (rel_folder == "." and d.startswith("build")))
            for name in sorted(files):
                if name.endswith(SOURCE_EXTENSIONS):
                    found.append(os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/"))
    return found


class Resolver:
    def __init__(self, root):
        self.root = root
        self.headers = [f for f in project_files(root, []) if f.endswith(HEADER_EXTENSIONS)]
        self.header_set = set(self.headers)

    def exists(self, rel):
        return rel in self.header_set or os.path.isfile(os.path.join(self.root, rel))

    def find(self, rel):
        """What rel was renamed to, or rel itself, whichever is in the tree first; else None."""
        for candidate in (RENAMED.get(rel), rel):
            if candidate and self.exists(candidate):
                return candidate
        return None

    def resolve(self, including, name):
        """(new name or None when it stands, message when it cannot be resolved)."""
        folder = os.path.dirname(including)
        beside = os.path.normpath(os.path.join(folder, name)).replace(os.sep, "/")
        # The compiler looks in the including file's folder before any include path.
        if folder and not beside.startswith("../") and self.find(beside):
            found = self.find(beside)
            return (None if found == name else found), None
        if not name.startswith(".") and self.find(name):
            found = self.find(name)
            return (None if found == name else found), None
        # A test's bare include meant the folder it tests (tests/updater/X.h: updater/).
        parts = folder.split("/")
        if parts[0] == "tests" and len(parts) > 1 and "/" not in name:
            mirrored = self.find("/".join(parts[1:] + [name]))
            if mirrored:
                return mirrored, None
        tail = name.lstrip("./")
        matches = [h for h in self.headers if h == tail or h.endswith("/" + tail)]
        if len(matches) == 1:
            return matches[0], None
        if len(matches) > 1:
            return None, "ambiguous, one of " + ", ".join(matches)
        return None, None  # not a project header (generated into the build tree, or a system header)

    def duplicate_names(self):
        by_name = {}
        for h in self.headers:
            if h.split("/")[0] not in NON_PRODUCT:
                by_name.setdefault(os.path.basename(h), []).append(h)
        return {n: hs for n, hs in sorted(by_name.items()) if len(hs) > 1}


def sort_runs(lines, changed):
    """Sorts each run of consecutive quoted includes that holds a rewritten line, as the tree keeps them."""
    i = 0
    while i < len(lines):
        if not INCLUDE.match(lines[i]):
            i += 1
            continue
        j = i
        while j < len(lines) and INCLUDE.match(lines[j]):
            j += 1
        if any(k in changed for k in range(i, j)):
            lines[i:j] = sorted(lines[i:j], key=lambda line: INCLUDE.match(line).group(2))
        i = j


def check_file(resolver, rel, fix):
    path = os.path.join(resolver.root, rel)
    with open(path, encoding="utf-8", newline="") as f:
        text = f.read()
    lines = text.splitlines(keepends=True)
    problems = []
    changed = set()
    for number, line in enumerate(lines):
        body = line.rstrip("\r\n")
        m = INCLUDE.match(body)
        if not m:
            continue
        new, error = resolver.resolve(rel, m.group(2))
        if error:
            problems.append(f'{rel}:{number + 1}: "{m.group(2)}" {error}')
        elif new:
            problems.append(f'{rel}:{number + 1}: "{m.group(2)}" should be "{new}"')
            lines[number] = m.group(1) + new + m.group(3) + line[len(body):]
            changed.add(number)
    if fix and changed:
        sort_runs(lines, changed)
        with open(path, "w", encoding="utf-8", newline="") as f:
            f.write("".join(lines))
    return problems, len(changed)


def main():
    parser = argparse.ArgumentParser(description="Check that includes name their folder from the project root.")
    parser.add_argument("--root", default=os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    parser.add_argument("--fix", action="store_true", help="rewrite the includes instead of listing them")
    parser.add_argument("paths", nargs="*", help="files or folders to look at (default: the whole tree)")
    args = parser.parse_args()
    root = os.path.abspath(args.root)
    resolver = Resolver(root)

    remaining = []
    rewritten = 0
    for rel in project_files(root, args.paths):
        problems, fixed = check_file(resolver, rel, args.fix)
        rewritten += fixed
        remaining += [p for p in problems if not args.fix or "ambiguous" in p]
    for name, headers in resolver.duplicate_names().items():
        remaining.append(f"{name}: product headers share the name: {', '.join(headers)}")
    for problem in remaining:
        print(problem)
    if args.fix:
        print(f"{rewritten} include(s) rewritten")
    return 1 if remaining else 0


if __name__ == "__main__":
    sys.exit(main())
