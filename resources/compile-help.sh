#!/bin/sh
# compile-help.sh SOURCE_DIR OUT_DIR: compiles the help book with chmcmd in a copy of
# its sources (chmcmd resolves the project's paths against the folder it runs in).
# chmcmd chatters on standard output; its log is kept beside the book.
set -e
rm -rf "$2"
cp -r "$1" "$2"
cd "$2"
if ! chmcmd pagewick.hhp > chmcmd.log 2>&1 || [ ! -s pagewick.chm ]; then
  cat chmcmd.log >&2
  exit 1
fi
