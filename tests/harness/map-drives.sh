#!/usr/bin/env bash
# Points the test prefix's drive letters at fixture folders: every letter but C: is removed, then
# each LETTER=FOLDER argument maps one letter (lower case, without the colon), in the order given.
# Usage: map-drives.sh d=/path/to/fixture e=/other/fixture   (needs WINEPREFIX)
set -euo pipefail
devices="${WINEPREFIX:?}/dosdevices"
for link in "$devices"/?:; do
  [[ -e "$link" || -L "$link" ]] || continue
  [[ "$(basename "$link")" == "c:" ]] && continue
  rm -f "$link"
done
for mapping in "$@"; do
  letter=${mapping%%=*}
  folder=${mapping#*=}
  ln -sfn "$folder" "$devices/$letter:"
done
