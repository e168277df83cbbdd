"""Writes the cells of a TSV file (row, column, narrow flag, text per line)
into an .xls with xlwt, the way the export lays them out, and prints the
seconds the writing took. Used by bench_export for comparison."""
import sys
import time

import xlwt


def main():
    source, target = sys.argv[1], sys.argv[2]
    cells = []
    with open(source, encoding="utf-8") as lines:
        for line in lines:
            row, column, _narrow, text = line.rstrip("\n").split("\t", 3)
            cells.append((int(row), int(column), text))
    start = time.perf_counter()
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("Sheet1")
    for row, column, text in cells:
        sheet.write(row, column, text)
    book.save(target)
    print("%.3f" % (time.perf_counter() - start))


if __name__ == "__main__":
    main()
