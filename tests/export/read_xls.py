#!/usr/bin/env python3
"""Reads the workbooks that the export tests wrote with xlrd, an independent .xls reader, and compares
every sheet and cell with expected.txt in the same folder: lines of file name, then row, column and the
UTF-8 text in hex, separated by tabs. Exits 1 on any difference."""

import os
import sys

import xlrd


def shown(text):
    return "(empty)" if text is None else repr(text if len(text) <= 60 else f"{text[:60]}... ({len(text)} characters)")


def cells_of(path):
    """The workbook's sheet names, and its first sheet's texts by 1-based (row, column)."""
    book = xlrd.open_workbook(path)
    sheet = book.sheet_by_index(0)
    return book.sheet_names(), {
        (row + 1, column + 1): cell.value if cell.ctype == xlrd.XL_CELL_TEXT else f"(not text: {cell!r})"
        for row in range(sheet.nrows)
        for column, cell in enumerate(sheet.row(row))
        if cell.ctype != xlrd.XL_CELL_EMPTY
    }


def faults_of(path, expected):
    """The differences between the workbook and `expected`, its first sheet's texts by (row, column)."""
    sheets, read = cells_of(path)
    faults = [] if sheets == ["Sheet1"] else [f"sheets {sheets}, expected ['Sheet1']"]
    return faults + [
        f"row {key[0]} column {key[1]}: expected {shown(expected.get(key))}, read {shown(read.get(key))}"
        for key in sorted(set(expected) | set(read))
        if expected.get(key) != read.get(key)
    ]


def main(folder):
    expectations = {}
    with open(os.path.join(folder, "expected.txt"), encoding="ascii") as file:
        for name, row, column, text in (line.rstrip("\n").split("\t") for line in file):
            expectations.setdefault(name, {})[(int(row), int(column))] = bytes.fromhex(text).decode("utf-8")
    failed = False
    for name, cells in sorted(expectations.items()):
        try:
            faults = faults_of(os.path.join(folder, name), cells)
        except Exception as error:  # xlrd rejects the file
            faults = [f"unreadable: {error!r}"]
        print(f"{name}: {'FAILED' if faults else 'ok'} ({len(cells)} cells)", *(f"  {fault}" for fault in faults), sep="\n")
        failed = failed or bool(faults)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
