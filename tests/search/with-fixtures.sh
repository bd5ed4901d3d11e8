#!/usr/bin/env bash
# Runs a command (the search tests under Wine) with the drive letters pointed at the search
# fixtures, laid out first if they are missing or older than this script. Every test process maps
# the letters itself, so tests of other folders may remap them in between.
# Usage: with-fixtures.sh COMMAND [ARGS...]   (inside the test session: BUILD_DIR, WINEPREFIX)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root="${BUILD_DIR:?}/fixtures/search"
stamp="$root/.laid-out"

lay_out() {
  [[ -d "$root" ]] && chmod -R u+rwx "$root"
  rm -rf "$root"
  mkdir -p "$root"
  local letter
  for letter in d e f g h i j k; do
    mkdir -p "$root/$letter"
    touch "$root/$letter/varnelo-search-$letter.drive"
  done

  # d: hits at the root and deep, letter case, a dot folder, a hidden name, a relative path, a
  # two-byte name whose second byte is a backslash (誠 is D5 5C in code page 936), a long name with
  # a short twin, and a link to nowhere.
  cd "$root/d"
  touch rootfile.txt
  mkdir -p a/b/c Mixed .dot plain zh rel/sub short links
  touch a/b/c/deep.txt Mixed/CaseFile.TXT .dot/indot.txt plain/.hidden.txt rel/sub/target.txt
  touch "zh/誠a.txt" short/longfilename-example.txt
  ln -s ../nowhere links/dangling.txt

  # e: a second drive that alone holds its name.
  mkdir -p "$root/e/second"
  touch "$root/e/second/onlyone.txt"

  # f: the name behind a directory link that leads out of the drive's tree.
  mkdir -p "$root/f-outside/inner"
  touch "$root/f-outside/inner/linked.txt"
  ln -s ../f-outside "$root/f/link"

  # g: a folder that may be traversed but not listed, and one that may not even be traversed,
  # each holding the name at its top and one level below.
  mkdir -p "$root/g/top/locked/inner" "$root/g/top/sealed/inner"
  touch "$root/g/top/locked/locked.txt" "$root/g/top/locked/inner/locked.txt"
  touch "$root/g/top/sealed/locked.txt" "$root/g/top/sealed/inner/locked.txt"
  chmod 311 "$root/g/top/locked"
  chmod 000 "$root/g/top/sealed"

  # h: a link that points at its own parent, so the path grows until the system refuses it.
  mkdir -p "$root/h/up"
  ln -s .. "$root/h/up/parent"
  touch "$root/h/up/inloop.txt"

  # i: one folder of 5,000 entries, the name in one of them.
  python3 "$here/../bench/make-tree.py" "$root/i/wide" flat 5000
  touch "$root/i/wide/entry02500/target5000.txt"

  # j: a chain of 200 levels, the name at level 100 and at level 200 (beyond the path limit).
  python3 "$here/../bench/make-tree.py" "$root/j/chain" chain 200
  local level100 level200
  level100="$root/j/chain$(printf '/d%.0s' $(seq 100))"
  level200="$root/j/chain$(printf '/d%.0s' $(seq 200))"
  touch "$level100/chain.txt" "$level200/toodeep.txt"

  # k: paths about the 260-byte limit: K:\ + two names of 100 bytes + separators is 205 bytes, so
  # names of 54 to 57 bytes give paths of 259 to 262 bytes.
  local long length
  long="$root/k/$(printf 'p%.0s' $(seq 100))/$(printf 'q%.0s' $(seq 100))"
  mkdir -p "$long"
  for length in 54 55 56 57; do
    touch "$long/$(printf 'x%.0s' $(seq "$length"))"
  done

  touch "$stamp"
}

if [[ ! -f "$stamp" || "$0" -nt "$stamp" ]]; then
  lay_out
fi
bash "$here/../harness/map-drives.sh" d="$root/d" e="$root/e" f="$root/f" g="$root/g" \
  h="$root/h" i="$root/i" j="$root/j" k="$root/k"
exec "$@"
