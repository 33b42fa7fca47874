#!/usr/bin/env bash
# Installs what is missing, builds, prepares a program folder with demo meets and starts the
# program on it. Without a display it says how to run with one.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default

program=program
mkdir -p "$program"
# The program keeps KVSYS.ini and KVSYS.mdb beside its executable; its tools go along.
cp -f build/bin/* "$program/"

meets="$PWD/$program/meets"
new_layout_db=0
if [ ! -f "$program/KVSYS.mdb" ] && [ -x "$program/kvsys-mkdb" ]; then
  "$program/kvsys-mkdb" "$program/KVSYS.mdb"
  new_layout_db=1
fi
if [ -x "$program/kvsys-samplemeet" ] && ! ls "$meets"/Swim*.mdb >/dev/null 2>&1; then
  mkdir -p "$meets"
  "$program/kvsys-samplemeet" --preset demo "$meets"
fi
if [ ! -f "$program/KVSYS.ini" ]; then
  # Print options as an operator starts with them: honorific, brackets, ranks, no grid
  # (a missing key would read as set).
  printf '[Ver]\nVer=0\n[D_B]\nDB_Path=%s/\n[Prn]\nDono=False\nKako=False\nLattice=False\nLength=False\nRankH=False\nOpen=False\nRelay=False\nOpenRank=False\nDonoStr=殿\nPrnShozNo=4\n' \
    "$meets" > "$program/KVSYS.ini"
fi

# A new layout database gets the standard layout (decided) and the vertical example 縦書き;
# layouts the operator removed later are not brought back.
first_meet=$(ls "$meets"/Swim*.mdb 2>/dev/null | head -n 1)
if [ "$new_layout_db" = 1 ] && [ -x "$program/kvsys-print" ] && [ -n "$first_meet" ]; then
  "./$program/kvsys-print" --program-folder "$program" --meet "$first_meet" --example-layouts
fi

echo "プログラムフォルダ: $program  (KVSYS.ini, KVSYS.mdb, meets/)"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  # Without a display the main job runs headless: every event of the first demo meet is
  # printed to PDF files (a layout with the editor's defaults is decided when there is none).
  if [ -x "$program/kvsys-print" ] && [ -n "$first_meet" ]; then
    pdf="$PWD/$program/pdf/$(basename "$first_meet" .mdb)"
    "./$program/kvsys-print" --program-folder "$program" --meet "$first_meet" --all \
      --default-layout --pdf "$pdf"
    echo "賞状のPDFファイル: $pdf"
    echo "Certificates of every event of $(basename "$first_meet") as PDF files in: $pdf"
  fi
  echo "画面がありません。デスクトップで ./run.sh を実行するか、xvfb-run ./$program/kvsys で起動してください。"
  echo "No display: run ./run.sh from a desktop session, or start xvfb-run ./$program/kvsys."
  exit 0
fi
exec "./$program/kvsys"
