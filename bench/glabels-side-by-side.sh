#!/usr/bin/env bash
# The same certificates into one PDF file by gLabels' batch printer and by kvsys-print, side by
# side in one run: about 1,000 B4 certificates of the large sample meet (rank limits 3), each
# with 19 texts, 6 of them from the recipients. Three rounds each, alternating; prints the least
# time and peak memory of each and their ratios. Needs glabels-3-batch, sqlite3 and GNU time;
# says so and stops when one is missing.
#   bench/glabels-side-by-side.sh [BUILD_DIR]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
bin="$build/bin"
for tool in glabels-3-batch sqlite3 /usr/bin/time; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool がありません: gLabels との比較はしません。" >&2
    exit 0
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export QT_QPA_PLATFORM=offscreen

"$bin/kvsys-samplemeet" --preset large meets >/dev/null
"$bin/kvsys-mkdb" KVSYS.mdb >/dev/null
"$bin/kvsys-print" --program-folder . --meet meets/Swim01.mdb --default-layout --all \
  --dump none.jsonl >/dev/null 2>&1
# Rank limits 3 for every stage: about 1,000 certificates.
sqlite3 KVSYS.mdb "UPDATE KVS210 SET FLDB = 3, FLDC = 3, FLDD = 3, FLDE = 3"
"$bin/kvsys-print" --program-folder . --meet meets/Swim01.mdb --all --dump all.jsonl \
  --recipients-out recipients.tsv >/dev/null 2>&1
count=$(wc -l < recipients.tsv)

# The gLabels document: a B4 sheet, the certificate's 13 fixed texts and its 6 fields.
text() {  # x y size text
  printf '  <Object-text x="%smm" y="%smm" w="200mm" h="%smm" justify="Left" valign="Top" auto_shrink="False" a0="1" a1="0" a2="0" a3="1" a4="0" a5="0">\n' "$1" "$2" "$(( $3 / 2 + 2 ))"
  printf '    <Span font_family="IPAMincho" font_size="%s" font_weight="Regular" font_italic="False" color="0x000000ff" line_spacing="1">%s</Span>\n  </Object-text>\n' "$3" "$4"
}
field() { text "$1" "$2" "$3" "<Field name=\"$4\"/>"; }
{
  echo '<?xml version="1.0"?>'
  echo '<Glabels-document xmlns="http://glabels.org/xmlns/3.0/">'
  echo ' <Template brand="KVSYS" part="B4" size="Other" width="257mm" height="364mm" description="賞状">'
  echo '  <Label-rectangle id="0" width="257mm" height="364mm" round="0pt"><Layout nx="1" ny="1" x0="0pt" y0="0pt" dx="257mm" dy="364mm"/></Label-rectangle>'
  echo ' </Template>'
  echo ' <Objects id="0" rotate="False">'
  text 100 30 60 "賞状"
  text 60 70 20 "第40回"
  text 40 85 20 "府中ジュニアスイミングフェスティバル"
  text 40 100 20 "兼 高知県選手権予選"
  field 40 130 32 1
  text 150 130 32 "殿"
  field 50 150 14 2
  text 40 170 20 "クラス"
  text 40 185 20 "種目"
  text 40 200 20 "順位"
  text 40 215 20 "記録"
  field 100 170 20 4
  field 100 185 20 3
  field 100 200 20 5
  field 100 215 20 6
  text 30 240 24 "あなたは優秀なる成績を収めました"
  text 30 255 24 "のでその栄誉を讃えこれを賞します"
  text 60 275 20 "2025年07月04日"
  text 70 295 24 "〇〇〇県水泳連盟理事長　見本　太郎"
  echo ' </Objects>'
  echo ' <Merge type="Text/Tab" src="recipients.tsv"/>'
  echo '</Glabels-document>'
} > certificate.glabels

round() {  # name command...: "seconds peak_kB" of one run
  /usr/bin/time -f "%e %M" -o "$1.time" "${@:2}" >/dev/null 2>&1 || true
  tail -n 1 "$1.time"
}
least() { sort -n | head -n 1; }
: > glabels.runs
: > kvsys.runs
for i in 1 2 3; do
  rm -f g.pdf k.pdf
  round g glabels-3-batch -i recipients.tsv -o g.pdf certificate.glabels >> glabels.runs
  round k "$bin/kvsys-print" --program-folder . --recipients recipients.tsv --pdf-file k.pdf \
    >> kvsys.runs
done
g_pages=$(pdfinfo g.pdf 2>/dev/null | awk '/^Pages:/ {print $2}')
k_pages=$(pdfinfo k.pdf 2>/dev/null | awk '/^Pages:/ {print $2}')
read -r g_s g_kb < <(least < glabels.runs)
read -r k_s k_kb < <(least < kvsys.runs)
g_mem=$(sort -n -k2 glabels.runs | head -n 1 | cut -d' ' -f2)
k_mem=$(sort -n -k2 kvsys.runs | head -n 1 | cut -d' ' -f2)
echo "$count recipients, 19 texts a certificate; pages: gLabels ${g_pages:-?}, kvsys-print ${k_pages:-?}"
awk -v gs="$g_s" -v ks="$k_s" -v gm="$g_mem" -v km="$k_mem" 'BEGIN {
  printf "gLabels %.2f s %.0f MB; kvsys-print %.2f s %.0f MB; %.1fx as fast (aim >= 25), %.3f of the memory (aim <= 0.04)\n",
    gs, gm / 1024, ks, km / 1024, gs / ks, km / gm }'
