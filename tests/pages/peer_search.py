#!/usr/bin/python3
# The peer's full-text search (python3-chm, chmlib's search) for the differential
# test: peer_search.py BOOK reads queries from standard input, one a line,
# "HEXWORD WHOLEWORDS", and answers each with one line: the hits as
# "HEXTITLE:HEXLOCATION" separated by spaces (empty for none).
import sys

import chm.chm

book = chm.chm.CHMFile()
if not book.LoadCHM(sys.argv[1]):
    sys.exit(2)
for line in sys.stdin:
    word, whole = line.split()
    partial, hits = book.Search(bytes.fromhex(word), int(whole), 0)
    print(" ".join(t.hex() + ":" + l.hex() for t, l in sorted((hits or {}).items())), flush=True)
