#!/usr/bin/env bash
# tests/win/corvane/check_exports.sh OBJDUMP DLL DEF: the DLL's export table holds exactly the names
# of the .def file, undecorated. Also usable by hand on the 32-bit build.
set -eu
objdump=$1 dll=$2 def=$3
expected=$(sed -n '/^EXPORTS/,$p' "$def" | tail -n +2 | awk 'NF {print $1}' | sort)
actual=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/\[/ && NR > 1 {print $NF}' | sort)
if [ "$expected" != "$actual" ]; then
  echo "export names differ from $def:" >&2
  diff <(echo "$expected") <(echo "$actual") >&2 || true
  exit 1
fi
echo "$(echo "$actual" | wc -l) exports, all undecorated"
