#!/usr/bin/python3
"""Writes every .hhc and .hhk file of a CHM book into a folder, using chmlib through
python3-chm (a peer used as a test oracle). Usage: extract_sitemaps.py BOOK DIR.
Each file is written as DIR/<n>.<ext> and listed on standard output as
"<n>.<ext>\t<stored name>"."""
import os
import sys

from chm import chmlib


def main():
    book, out = sys.argv[1], sys.argv[2]
    handle = chmlib.chm_open(book.encode())
    if not handle:
        sys.exit("cannot open " + book)
    names = []

    def collect(_h, info, _context):
        if info.path.lower().endswith((b".hhc", b".hhk")) and info.path not in names:
            names.append(info.path)
        return chmlib.CHM_ENUMERATOR_CONTINUE

    chmlib.chm_enumerate(handle, chmlib.CHM_ENUMERATE_ALL, collect, None)
    for n, name in enumerate(names):
        found, info = chmlib.chm_resolve_object(handle, name)
        if found != chmlib.CHM_RESOLVE_SUCCESS:
            continue
        size, data = chmlib.chm_retrieve_object(handle, info, 0, info.length)
        file_name = "%d%s" % (n, os.path.splitext(name.decode("latin-1"))[1].lower())
        with open(os.path.join(out, file_name), "wb") as f:
            f.write(data[:size])
        print("%s\t%s" % (file_name, name.decode("latin-1")))
    chmlib.chm_close(handle)


main()
