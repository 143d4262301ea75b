#!/usr/bin/env python3
"""Reads the workbooks that the export tests wrote with xlrd, an independent .xls reader, and compares
every sheet and cell with expected.json in the same folder. Exits 1 on any difference."""

import json
import os
import sys

import xlrd


def cell_name(row, column):
    letters = ""
    while column > 0:
        column, rest = divmod(column - 1, 26)
        letters = chr(ord("A") + rest) + letters
    return f"{letters}{row}"


def shown(text):
    if text is None:
        return "(empty)"
    return repr(text if len(text) <= 60 else text[:60] + f"... ({len(text)} characters)")


def faults_of(path, expected_cells):
    faults = []
    book = xlrd.open_workbook(path)
    if book.sheet_names() != ["Sheet1"]:
        faults.append(f"sheets {book.sheet_names()}, expected ['Sheet1']")
    sheet = book.sheet_by_index(0)
    read = {}
    for row in range(sheet.nrows):
        for column in range(sheet.ncols):
            cell = sheet.cell(row, column)
            if cell.ctype == xlrd.XL_CELL_EMPTY:
                continue
            if cell.ctype != xlrd.XL_CELL_TEXT:
                faults.append(f"{cell_name(row + 1, column + 1)} is not a text cell")
            read[(row + 1, column + 1)] = cell.value
    expected = {(row, column): text for row, column, text in expected_cells}
    for key in sorted(set(expected) | set(read)):
        if expected.get(key) != read.get(key):
            faults.append(f"{cell_name(*key)}: expected {shown(expected.get(key))}, read {shown(read.get(key))}")
    return faults


def main():
    folder = sys.argv[1]
    with open(os.path.join(folder, "expected.json"), encoding="utf-8") as file:
        expectations = json.load(file)
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
