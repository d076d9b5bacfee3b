# shellcheck shell=bash
# Sourced by the GUI volume scripts with OUTDIR and MKVOL: work in OUTDIR with src/ for the image
# files; finish leaves only the volumes.
set -euo pipefail
out="${1:?OUTDIR missing}"
mkvol="${2:?MKVOL missing}"
export MTOOLS_SKIP_CHECK=1 TZ=UTC LC_ALL=C
mkdir -p "$out/src"
cd "$out"

# Byte offset of an 8.3 directory entry name in an image: entry IMAGE 'NAME    EXT'
entry() { grep -obUa "$2" "$1" | head -n1 | cut -d: -f1; }
# Overwrites bytes in place: patch IMAGE OFFSET PRINTF_FORMAT
# shellcheck disable=SC2059 # the escapes are the bytes to write
patch() { printf "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none; }
# An empty FAT16 image with 512-byte sectors and clusters: fat16 IMAGE KIB [LABEL]
fat16() { mkfs.fat -F 16 -s 1 -S 512 ${3:+-n "$3"} -C "$1" "$2" >/dev/null; }
# A volume with password "secret" around an image: seal IMAGE VOLUME NAME [MKVOL_OPTION...]
seal() { "$mkvol" --password-a secret --name "$3" "${@:4}" "$1" "$2"; }
finish() { rm -rf src ./*.img; }
