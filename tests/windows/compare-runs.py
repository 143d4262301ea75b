#!/usr/bin/python3
"""Compares what callpad.exe wrote under Wine with what the Linux program wrote for the same input.
The message files must agree record by record, except fields 3 and 4 (date and time, which only need
their forms); both must hold the typed message. The Windows workbook must read back, with the
project's workbook reader, as the Linux one, its date and time cells being the Windows record's.
Usage: compare-runs.py WINDOWS.txt LINUX.txt WINDOWS.xls LINUX.xls MESSAGE"""

import csv
import io
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "export"))
from read_xls import cells_of, faults_of  # noqa: E402

DATE, TIME = 2, 3


def records(path):
    with open(path, "rb") as file:
        data = file.read()
    if not data.endswith(b"\r\n") or b"\n" in data.replace(b"\r\n", b""):
        sys.exit(f"{path}: lines do not all end with CR LF")
    rows = list(csv.reader(io.StringIO(data.decode("cp932"), newline="")))
    for row in rows:
        if len(row) != 10:
            sys.exit(f"{path}: a record of {len(row)} fields: {row}")
        if not re.fullmatch(r"\d{4}/\d{2}/\d{2}", row[DATE]) or not re.fullmatch(r"\d{1,2}:\d{2}:\d{2}", row[TIME]):
            sys.exit(f"{path}: date and time {row[DATE]!r} {row[TIME]!r}")
    return rows


def masked(row):
    return row[:DATE] + ["*", "*"] + row[TIME + 1 :]


def main():
    windows_txt, linux_txt, windows_xls, linux_xls, message = sys.argv[1:]
    windows, linux = records(windows_txt), records(linux_txt)
    if len(windows) != 1 or message not in windows[0]:
        sys.exit(f"{windows_txt}: expected one record holding {message!r}, read {windows}")
    for number, (ours, theirs) in enumerate(zip(windows, linux), 1):
        if masked(ours) != masked(theirs):
            sys.exit(f"record {number} differs:\n  Windows {ours}\n  Linux   {theirs}")
    if len(windows) != len(linux):
        sys.exit(f"Windows wrote {len(windows)} records, Linux {len(linux)}")
    print(f"message files: {len(windows)} record(s) agree, date and time masked")

    moment = {linux[0][DATE]: windows[0][DATE], linux[0][TIME]: windows[0][TIME]}
    expected = {key: moment.get(value, value) for key, value in cells_of(linux_xls)[1].items()}
    if message not in expected.values():
        sys.exit(f"{linux_xls}: the message is in no cell")
    faults = faults_of(windows_xls, expected)
    if faults:
        sys.exit("\n  ".join([f"{windows_xls} differs from {linux_xls}:", *faults]))
    print(f"workbooks: {len(expected)} cells agree")


main()
