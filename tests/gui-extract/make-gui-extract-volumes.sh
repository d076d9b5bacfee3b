#!/usr/bin/env bash
# Builds the volumes the extraction tests open:
#   extract.vol  password "secret", name "Extract Test", label EXTRACT, FAT16:
#                  top.txt, large.bin (307200 bytes), broken.bin (3000 bytes stored, size field
#                  20000: the copy fails half-way), frag/keep0..9 (large.bin lies in ten
#                  pieces between them), docs/{a.txt,b.txt}, docs/sub/{c.txt,e.txt},
#                  docs/sub/deeper/d.txt, all dated
#   ntfs.vol     password "secret", name "Ntfs Test": the NTFS fixture with 512-byte clusters
#                  (compressed/packed.txt is NTFS-compressed)
#
#   make-gui-extract-volumes.sh OUTDIR MKVOL NTFS_FIXTURE_DIR
ntfs="${3:?NTFS_FIXTURE_DIR missing}"
# shellcheck source=../gui/volume-steps.sh
. "$(dirname "${BASH_SOURCE[0]}")/../gui/volume-steps.sh" "$1" "$2"

printf 'top level\n' >src/top.txt
seq -f 'large line %08g' 1 30000 >src/large.bin
truncate -s 307200 src/large.bin
seq -f 'broken %06g' 1 400 >src/broken.bin
truncate -s 3000 src/broken.bin
printf 'alpha\n' >src/a.txt
printf 'bravo\n' >src/b.txt
printf 'charlie\n' >src/c.txt
printf 'echo\n' >src/e.txt
printf 'delta\n' >src/d.txt
touch -d '2011-03-04 05:06:08' src/top.txt src/large.bin src/broken.bin
touch -d '2012-07-08 09:10:12' src/a.txt
touch -d '2013-01-02 03:04:06' src/b.txt src/c.txt src/e.txt
touch -d '2014-11-12 13:14:16' src/d.txt

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
broken=$(entry extract.img 'BROKEN  BIN')
patch extract.img $((broken + 28)) '\x20\x4e\x00\x00'
seal extract.img extract.vol 'Extract Test'

zstd -q -d -f "$ntfs/ntfs-512.img.zst" -o ntfs.img
seal ntfs.img ntfs.vol 'Ntfs Test'
finish
