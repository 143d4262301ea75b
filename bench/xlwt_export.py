#!/usr/bin/python3
"""The peer of the export: python3-xlwt writes the same workbook as 切取 (headings in row 1, columns B to J,
message r in row r + 1, fields 1 to 9, empty fields left out) from the same 50-message file.

    xlwt_export.py <message file> <output .xls> [runs]

Times the workbook's making and saving in-process, several runs, and prints the median in milliseconds."""

import re
import statistics
import sys
import time

import xlwt

HEADINGS = ["相手先", "担当", "受付日", "受付時間", "電話要(1)", "電話番号", "内容", "期限", "受付者"]


def read_messages(path):
    with open(path, "rb") as f:
        text = f.read().decode("cp932")
    fields = re.findall(r'"([^"]*)"', text)
    return [fields[i : i + 10] for i in range(0, len(fields), 10)]


def export(messages, output):
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("Sheet1")
    for c, heading in enumerate(HEADINGS):
        sheet.write(0, 1 + c, heading)
    for r, message in enumerate(messages, start=1):
        for c, value in enumerate(message[:9]):
            if value:
                sheet.write(r, 1 + c, value)
    book.save(output)


def main():
    source, output = sys.argv[1], sys.argv[2]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 50
    messages = read_messages(source)
    if len(messages) != 50:
        sys.exit("expected 50 messages, found %d" % len(messages))
    export(messages, output)  # warm-up
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        export(messages, output)
        times.append((time.perf_counter() - start) * 1000)
    print("%.4f" % statistics.median(times))


if __name__ == "__main__":
    main()
