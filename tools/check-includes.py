#!/usr/bin/env python3
"""Fails when a file in one folder of src includes a header from a folder it may not depend on.

    tools/check-includes.py <src folder>

The folders depend one way, in the order of the table below; a folder always includes its own headers.
An include is followed to the file it names, whether written from src ("ui/Screen.h"), relative to the
including file ("../ui/Screen.h") or in angle brackets, so no spelling slips past.
"""
import re
import sys
from pathlib import Path

MAY_INCLUDE = {
    "records": set(),
    "ui": {"records"},
    "names": {"records", "ui"},
    "messages": {"records", "names", "ui"},
    "export": {"records", "messages"},
    "review": {"records", "names", "messages", "export", "ui"},
    "shell": {"records", "ui", "names", "messages", "export", "review"},
}
SOURCE_SUFFIXES = {".h", ".hpp", ".c", ".cc", ".cpp", ".cxx", ".inc"}
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]')


def folder_of(path, src):
    """The folder of src that holds the file, or None for a file outside src."""
    try:
        parts = path.resolve().relative_to(src).parts
    except ValueError:
        return None
    return parts[0] if len(parts) > 1 else "(top of src)"


def included_file(name, including, src):
    """The file of src an include names, or None for a header from elsewhere (the library, Qt)."""
    for candidate in (including.parent / name, src / name):
        if candidate.is_file() and folder_of(candidate, src) is not None:
            return candidate
    return None


def violations(src):
    for path in sorted(p for p in src.rglob("*") if p.suffix in SOURCE_SUFFIXES and p.is_file()):
        shown = path.relative_to(src.parent)
        folder = folder_of(path, src)
        if folder not in MAY_INCLUDE:
            yield f"{shown}: the folder {folder} has no row in the table of tools/check-includes.py"
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), start=1):
            match = INCLUDE.match(line)
            target = match and included_file(match.group(1), path, src)
            if not target:
                continue
            target_folder = folder_of(target, src)
            if target_folder != folder and target_folder not in MAY_INCLUDE[folder]:
                allowed = ", ".join(sorted(MAY_INCLUDE[folder])) or "no other folder"
                yield f"{shown}:{number}: {folder} may not include {match.group(1)} ({folder} may include {allowed})"


def main():
    src = Path(sys.argv[1]).resolve()
    found = list(violations(src))
    for violation in found:
        print(violation, file=sys.stderr)
    if found:
        print(f"{len(found)} include(s) against the direction of the folders", file=sys.stderr)
        return 1
    print("includes between the folders of src follow the table")
    return 0


if __name__ == "__main__":
    sys.exit(main())
