#!/usr/bin/env python3
"""Reads the workbooks that the export tests wrote with xlrd, an independent .xls reader, and compares
every sheet and cell with expected.txt in the same folder: lines of file name, then row, column and the
UTF-8 text in hex, separated by tabs. Exits 1 on any difference."""

import os
import sys

import xlrd


def shown(text):
    return "(empty)" if text is None else repr(text if len(text) <= 60 else f"{text[:60]}... ({len(text)} characters)")


def faults_of(path, expected):
    book = xlrd.open_workbook(path)
    faults = [] if book.sheet_names() == ["Sheet1"] else [f"sheets {book.sheet_names()}, expected ['Sheet1']"]
    sheet = book.sheet_by_index(0)
    read = {}
    for row in range(sheet.nrows):
        for column in range(sheet.ncols):
            cell = sheet.cell(row, column)
            if cell.ctype != xlrd.XL_CELL_EMPTY:
                read[(row + 1, column + 1)] = cell.value if cell.ctype == xlrd.XL_CELL_TEXT else f"(not text: {cell!r})"
    for key in sorted(set(expected) | set(read)):
        if expected.get(key) != read.get(key):
            faults.append(f"row {key[0]} column {key[1]}: expected {shown(expected.get(key))}, read {shown(read.get(key))}")
    return faults


def main():
    folder = sys.argv[1]
    expectations = {}
    with open(os.path.join(folder, "expected.txt"), encoding="ascii") as file:
        for line in file:
            name, *cell = line.rstrip("\n").split("\t")
            cells = expectations.setdefault(name, {})
            if cell:
                cells[(int(cell[0]), int(cell[1]))] = bytes.fromhex(cell[2]).decode("utf-8")
    failed = False
    for name, cells in sorted(expectations.items()):
        try:
            faults = faults_of(os.path.join(folder, name), cells)
        except Exception as error:  # xlrd rejects the file
            faults = [f"unreadable: {error!r}"]
        print(f"{name}: {'ok' if not faults else 'FAILED'} ({len(cells)} cells)")
        for fault in faults:
            print(f"  {fault}")
        failed = failed or bool(faults)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
