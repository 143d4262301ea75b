#!/usr/bin/env python3
"""Reads the workbooks that WorkbookTest wrote with xlrd, an independent .xls reader, and compares the
sheet names and every cell with expected.txt in the same folder: lines of file name, row, column and the
UTF-8 text in hex, separated by tabs. Prints each difference and exits 1 on any."""

import os
import sys

import xlrd


def shown(text):
    return repr(text if text is None or len(text) <= 60 else f"{text[:60]}... ({len(text)} characters)")


def main():
    folder = sys.argv[1]
    expected = {}
    with open(os.path.join(folder, "expected.txt"), encoding="ascii") as file:
        for line in file:
            name, row, column, text = line.rstrip("\n").split("\t")
            expected.setdefault(name, {})[(int(row), int(column))] = bytes.fromhex(text).decode("utf-8")
    faults = []
    for name, cells in sorted(expected.items()):
        book = xlrd.open_workbook(os.path.join(folder, name))
        if book.sheet_names() != ["Sheet1"]:
            faults.append(f"{name}: sheets {book.sheet_names()}, expected ['Sheet1']")
        sheet = book.sheet_by_index(0)
        read = {}
        for row in range(sheet.nrows):
            for column, cell in enumerate(sheet.row(row)):
                if cell.ctype != xlrd.XL_CELL_EMPTY:
                    read[(row + 1, column + 1)] = cell.value if cell.ctype == xlrd.XL_CELL_TEXT else repr(cell)
        for key in sorted(set(cells) | set(read)):
            if cells.get(key) != read.get(key):
                faults.append(f"{name} row {key[0]} column {key[1]}: expected {shown(cells.get(key))}, "
                              f"read {shown(read.get(key))}")
    print("\n".join(faults))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
