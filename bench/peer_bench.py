#!/usr/bin/python3
# The peer's side of bench/search-bench.sh, with python3-chm (chmlib):
#   peer_bench.py search BOOK REPS    reads "KIND HEXWORD WHOLEWORDS" lines, prints
#                                     "KIND HITS MEDIAN_MS" for each
#   peer_bench.py extract BOOK REPS DIR
#                                     reads stored names, times extracting all of them
#                                     into DIR, prints "prepare FILES MEDIAN_MS"
import os
import shutil
import statistics
import sys
import time

import chm.chm
import chm.chmlib as chmlib


def median_ms(action, reps):
    times = []
    for _ in range(reps):
        start = time.perf_counter()
        result = action()
        times.append((time.perf_counter() - start) * 1000)
    return result, statistics.median(times)


def search(book, reps):
    for line in sys.stdin:
        kind, word, whole = line.split()
        word = bytes.fromhex(word)
        (partial, hits), ms = median_ms(lambda: book.Search(word, int(whole), 0), reps)
        print("%s %d %.3f" % (kind, len(hits or {}), ms))


def extract(book, reps, folder):
    names = [n.rstrip(b"\n") for n in sys.stdin.buffer if n.strip()]

    def run():
        shutil.rmtree(folder, ignore_errors=True)
        for name in names:
            ok, unit = book.ResolveObject(name)
            if ok != chmlib.CHM_RESOLVE_SUCCESS:
                continue
            size, data = book.RetrieveObject(unit)
            path = os.path.join(os.fsencode(folder), name.lstrip(b"/"))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as out:
                out.write(data)
        return len(names)

    files, ms = median_ms(run, reps)
    print("prepare %d %.3f" % (files, ms))


book = chm.chm.CHMFile()
if not book.LoadCHM(sys.argv[2]):
    sys.exit("peer_bench: cannot open " + sys.argv[2])
if sys.argv[1] == "search":
    search(book, int(sys.argv[3]))
else:
    extract(book, int(sys.argv[3]), sys.argv[4])
