"""Dumps a workbook as xlrd reads it, one line per fact, for the C++ tests.

    S <TAB> sheet name <TAB> rows <TAB> columns
    C <TAB> row <TAB> column <TAB> kind <TAB> value

kind is xlrd's cell type name (text, number, ...); empty cells are left out.
Texts are escaped: backslash, tab and line feed as \\\\, \\t, \\n.
"""
import sys

import xlrd


def escape(text):
    return text.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")


def value_text(cell):
    if cell.ctype == xlrd.XL_CELL_NUMBER:
        return repr(cell.value)
    return escape(str(cell.value))


KINDS = {
    xlrd.XL_CELL_TEXT: "text",
    xlrd.XL_CELL_NUMBER: "number",
    xlrd.XL_CELL_BOOLEAN: "boolean",
    xlrd.XL_CELL_ERROR: "error",
    xlrd.XL_CELL_DATE: "date",
    xlrd.XL_CELL_BLANK: "blank",
}


def main():
    book = xlrd.open_workbook(sys.argv[1], ragged_rows=True)
    out = sys.stdout
    for sheet in book.sheets():
        out.write("S\t%s\t%d\t%d\n" % (escape(sheet.name), sheet.nrows, sheet.ncols))
        for row in range(sheet.nrows):
            for column in range(sheet.row_len(row)):
                cell = sheet.cell(row, column)
                if cell.ctype == xlrd.XL_CELL_EMPTY:
                    continue
                out.write("C\t%d\t%d\t%s\t%s\n" % (row, column, KINDS[cell.ctype], value_text(cell)))


if __name__ == "__main__":
    main()
