#!/usr/bin/env bash
# Renders the README's pictures with the program itself: the first certificate of the first
# demo meet in the standard layout and in the vertical example 縦書き, and the first page of the
# meet's ceremony sheet and of the largest club's file (its cover), and the B5 calibration
# sheet, as small PNG files in docs/. Needs a build (build/bin) and pdftoppm (poppler-utils).
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build/bin}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/meets" docs
"$bin/kvsys-mkdb" "$work/KVSYS.mdb" >/dev/null
"$bin/kvsys-samplemeet" --preset demo --meets 1 "$work/meets" >/dev/null
printf '[Ver]\nVer=0\n[Prn]\nDono=False\nKako=False\nLattice=False\nLength=False\nRankH=False\nOpen=False\nRelay=False\nOpenRank=False\nDonoStr=殿\nPrnShozNo=4\n' \
  > "$work/KVSYS.ini"
meet="$work/meets/Swim01.mdb"
"$bin/kvsys-print" --program-folder "$work" --meet "$meet" --example-layouts >/dev/null
for pair in "標準:certificate-standard" "縦書き:certificate-vertical"; do
  layout=${pair%%:*}
  name=${pair#*:}
  "$bin/kvsys-print" --program-folder "$work" --meet "$meet" --layout "$layout" --events 1 \
    --rank 1 --pdf-file "$work/$name.pdf" >/dev/null
  pdftoppm -r 40 -f 1 -l 1 -png -singlefile "$work/$name.pdf" "docs/$name"
  echo "docs/$name.png"
done
"$bin/kvsys-print" --program-folder "$work" --meet "$meet" --events 1 --rank 1 \
  --pdf-file "$work/printed.pdf" >/dev/null 2>&1
"$bin/kvsys-print" --program-folder "$work" --meet "$meet" --all \
  --ceremony-sheet "$work/ceremony-sheet.pdf" >/dev/null 2>&1
pdftoppm -r 60 -f 1 -l 1 -png -singlefile "$work/ceremony-sheet.pdf" docs/ceremony-sheet
echo docs/ceremony-sheet.png
"$bin/kvsys-print" --program-folder "$work" --meet "$meet" --all \
  --by-affiliation "$work/clubs" >/dev/null 2>&1
# The club with the most certificates.
club=$(for f in "$work/clubs"/*.pdf; do
  printf '%s\t%s\n' "$(pdfinfo "$f" | awk '/^Pages:/ {print $2}')" "$f"
done | sort -rn | head -n 1 | cut -f2)
pdftoppm -r 60 -f 1 -l 1 -png -singlefile "$club" docs/club-cover
echo docs/club-cover.png
"$bin/kvsys-print" --program-folder "$work" --calibration-sheet \
  --pdf-file "$work/calibration-sheet.pdf" >/dev/null 2>&1
# The last page: B5, the smallest sheet that shows every mark.
pdftoppm -r 45 -f 5 -l 5 -png -singlefile "$work/calibration-sheet.pdf" docs/calibration-sheet
echo docs/calibration-sheet.png
