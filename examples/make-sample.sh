#!/usr/bin/env bash
# Builds examples/sample.vol: a small FAT16 image (mkfs.fat + mtools) turned into a volume by the
# test builder mkvol. Password "sample", volume name "Sample", AES-256.
#
#   examples/make-sample.sh [path/to/mkvol]
#
# Salt, check value and volume key are random, so every run gives a different file with the same
# content.
set -euo pipefail
cd "$(dirname "$0")/.."

MKVOL="${1:-${MKVOL:-build/tools/mkvol/mkvol}}"
if [ ! -x "$MKVOL" ]; then
    echo "make-sample.sh: mkvol not found at $MKVOL (build the target mkvol first)" >&2
    exit 1
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8 MTOOLS_SKIP_CHECK=1 TZ=UTC
img="$work/sample.img"
files="$work/files"
mkdir -p "$files"

# 4,160 sectors of 512 bytes, one sector per cluster: just over the smallest FAT16 (4,085 clusters).
mkfs.fat -F 16 -s 1 -S 512 -n SAMPLE -i 5a4d504c -C "$img" 2080 >/dev/null

cat >"$files/readme.txt" <<'TEXT'
This is the sample volume of the Lockchamber portable reader.
Its password is "sample".
TEXT
cat >"$files/letter.txt" <<'TEXT'
Dear reader,
this letter lies two folders deep.
TEXT
printf 'Milch\nBrot\nÄpfel\n' >"$files/einkauf.txt"
printf 'Grüße aus dem Beispiel-Laufwerk.\n' >"$files/umlaut.txt"
printf 'name,size\nalpha,1\nbeta,2\n' >"$files/table.csv"
# A few KiB of numbered lines, larger than one cluster.
for i in $(seq 1 200); do printf 'line %03d of the report: the quick brown fox\n' "$i"; done \
    >"$files/report.txt"
touch -d '2024-03-01 14:22:08' "$files"/*

mmd -i "$img" ::Documents ::Documents/Letters ::Pictures ::Projects
mcopy -m -i "$img" "$files/readme.txt" ::README.TXT
mcopy -m -i "$img" "$files/report.txt" ::Documents/report.txt
mcopy -m -i "$img" "$files/umlaut.txt" "::Documents/Größenübersicht der Bücher.txt"
mcopy -m -i "$img" "$files/letter.txt" ::Documents/Letters/letter.txt
mcopy -m -i "$img" "$files/einkauf.txt" ::Projects/Einkaufsliste.txt
mcopy -m -i "$img" "$files/table.csv" ::Projects/table.csv

"$MKVOL" --password-a sample --name Sample --algorithm 1 "$img" examples/sample.vol
echo "examples/sample.vol written"
