#!/usr/bin/env bash
# Lays out the unit tests' trees under $BUILD_DIR/fixtures/unit and maps one drive letter to each.
# Each root holds a marker file named after its letter, so a test can tell that the letters still
# point here. Runs inside the test session (needs BUILD_DIR).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../harness/wine-env.sh"
root="${BUILD_DIR:?}/fixtures/unit"

# The locked folder of a previous run cannot be removed without its permissions back.
[[ -d "$root" ]] && chmod -R u+rwx "$root"
rm -rf "$root"

tree() { mkdir -p "$root/$1"; touch "$root/$1/varnelo-unit-$1.drive"; }

# d: one child per level, with a name both at a level and below it.
tree d
mkdir -p "$root/d/a/b/c"
touch "$root/d/a/b/deep.txt" "$root/d/a/b/c/deep.txt"

# e: a hit two levels below the root, an empty folder beside it, the shallow name again.
tree e
mkdir -p "$root/e/p/q/r"
echo hit >"$root/e/p/q/hit.txt"
touch "$root/e/p/deep.txt"

# f: the name at the root, and in a folder that a scan would reach.
tree f
mkdir -p "$root/f/sub"
touch "$root/f/top.txt" "$root/f/sub/top.txt"

# g: folders whose names begin with a dot hold the name; a plain folder holds a dot-named file.
tree g
mkdir -p "$root/g/.cache/inner" "$root/g/.../inner" "$root/g/plain"
touch "$root/g/.cache/target.txt" "$root/g/.cache/inner/target.txt" "$root/g/.../target.txt"
touch "$root/g/plain/.secret"

# h: a folder nobody may list, holding the name, next to an open one.
tree h
mkdir -p "$root/h/top/locked/inner" "$root/h/top/open"
touch "$root/h/top/locked/target.txt" "$root/h/top/locked/inner/target.txt"
chmod 000 "$root/h/top/locked"

# i: a link to its own folder, so the path can grow without end.
tree i
ln -s . "$root/i/loop"

# l: five levels of 60-byte names; near.txt sits where its path is 255 bytes, far.txt below it
# where the path would pass 260.
tree l
deep="$root/l"
for level in 1 2 3 4 5; do
  deep="$deep/level$level$(printf '%054d' 0)"
  mkdir "$deep"
  [[ $level == 4 ]] && touch "$deep/near.txt"
done
touch "$deep/far.txt"

# j: what a directory enumeration meets: folders, hidden ones, links, files.
tree j
mkdir -p "$root/j/finder/alpha" "$root/j/finder/beta" "$root/j/finder/.dotdir"
touch "$root/j/finder/one.txt" "$root/j/finder/two.dat"
ln -s alpha "$root/j/finder/dirlink"
ln -s one.txt "$root/j/finder/filelink"

# k: a scratch drive for the file actions; each test makes its own folder there.
tree k

bash "$here/../harness/map-drives.sh" d="$root/d" e="$root/e" f="$root/f" g="$root/g" \
    h="$root/h" i="$root/i" j="$root/j" k="$root/k" l="$root/l"
restart_wine_as_user
