#!/usr/bin/env bash
# The extraction tests' volumes, password "secret":
#   extract.vol  FAT16: top.txt, large.bin (300 KiB in ten pieces between frag/keep0..9),
#                broken.bin (3000 bytes stored, size field 20000), docs/{a,b}.txt,
#                docs/sub/{c,e}.txt, docs/sub/deeper/d.txt
#   ntfs.vol     the NTFS fixture with 512-byte clusters (compressed/packed.txt is compressed)
#   long.vol     the NTFS image of names longer than 255 bytes in UTF-8
# Usage: make-gui-extract-volumes.sh OUTDIR MKVOL NTFS_FIXTURE_DIR
ntfs="${3:?NTFS_FIXTURE_DIR missing}"
# shellcheck source=../gui/volume-steps.sh
. "$(dirname "${BASH_SOURCE[0]}")/../gui/volume-steps.sh" "$1" "$2"

printf 'top level\n' >src/top.txt
seq -f 'large line %08g' 1 30000 >src/large.bin
truncate -s 307200 src/large.bin
seq -f 'broken %06g' 1 400 >src/broken.bin
truncate -s 3000 src/broken.bin
for f in a:alpha b:bravo c:charlie e:echo d:delta; do
    printf '%s\n' "${f#*:}" >"src/${f%:*}.txt"
done

fat16 extract.img 4096 EXTRACT
for d in docs docs/sub docs/sub/deeper; do mmd -i extract.img "::$d"; done
# large.bin goes into ten holes left by deleted files, so its copy reports ten steps.
mmd -i extract.img ::frag
head -c 30720 /dev/zero >src/pad
for i in 0 1 2 3 4 5 6 7 8 9; do
    mcopy -i extract.img src/pad "::frag/pad$i"
    mcopy -i extract.img src/a.txt "::frag/keep$i"
done
mdel -i extract.img '::frag/pad*'
for f in top.txt large.bin broken.bin; do mcopy -m -i extract.img "src/$f" "::$f"; done
mcopy -m -i extract.img src/a.txt src/b.txt ::docs/
mcopy -m -i extract.img src/c.txt src/e.txt ::docs/sub/
mcopy -m -i extract.img src/d.txt ::docs/sub/deeper/
# The size field says 20000 (0x4E20) while the chain holds 3000 bytes.
patch extract.img $(($(entry extract.img 'BROKEN  BIN') + 28)) '\x20\x4e\x00\x00'
seal extract.img extract.vol 'Extract Test'

zstd -q -d -f "$ntfs/ntfs-512.img.zst" -o ntfs.img
seal ntfs.img ntfs.vol 'Ntfs Test'
zstd -q -d -f "$ntfs/../extract/longnames-ntfs.img.zst" -o long.img
seal long.img long.vol 'Long Test'
finish
