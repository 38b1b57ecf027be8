#!/usr/bin/env python3
"""Fails when a file includes a header of a layer above its own.

The layers, lowest first: base <- port, zip <- app <- engine <- ui <- updater
(the entry point). Each of those folders declares in its DEPS file which
other folders its files may include ("include:"), and which its test files
may include besides ("test_include:"); a folder without a DEPS file (tests,
tools, bench) may include anything. Only the project's own headers count:
an include whose first component is not a folder of the project is passed
over. Usage: check_layers.py PROJECT_ROOT
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/')
SOURCE_ENDINGS = (".cc", ".h", ".cc.in", ".h.in")


def read_deps(path):
    """The folders a DEPS file allows, for all files and for tests."""
    allowed = {"include": set(), "test_include": set()}
    with open(path, encoding="utf-8") as deps:
        for line in deps:
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            key, _, folders = line.partition(":")
            if key not in allowed:
                sys.exit(f"{path}: unknown rule '{key}'")
            allowed[key].update(folders.split())
    return allowed["include"], allowed["test_include"]


def is_test(path):
    name = os.path.basename(path)
    return (name.endswith(("_unittest.cc", "_fuzzer.cc")) or
            f"{os.sep}testing{os.sep}" in path)


def main():
    root = sys.argv[1]
    folders = {name for name in os.listdir(root)
               if os.path.isdir(os.path.join(root, name)) and not name.startswith(".")}
    errors = []
    for folder in sorted(folders):
        deps = os.path.join(root, folder, "DEPS")
        if not os.path.isfile(deps):
            continue
        allowed, test_allowed = read_deps(deps)
        for directory, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if not name.endswith(SOURCE_ENDINGS):
                    continue
                path = os.path.join(directory, name)
                relative = os.path.relpath(path, root)
                with open(path, encoding="utf-8", errors="replace") as source:
                    for number, line in enumerate(source, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        target = match.group(1)
                        if (target == folder or target not in folders or target in allowed or
                                (is_test(path) and target in test_allowed)):
                            continue
                        errors.append(f"{relative}:{number}: {folder}/ may not include "
                                      f"{target}/ (see {folder}/DEPS)")
    for error in errors:
        print(error)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
