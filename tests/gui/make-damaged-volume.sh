#!/usr/bin/env bash
# Builds the volume of the window's damaged-folder test from a FAT16 image made with mkfs.fat and
# mtools:
#   damaged.vol  password "secret", name "Damaged", label DAMAGED: folders d01..d12 whose first
#                cluster lies past the volume, a healthy folder "good" with two files, and a file
#                in the root
#
#   make-damaged-volume.sh OUTDIR MKVOL
# shellcheck source=volume-steps.sh
. "$(dirname "${BASH_SOURCE[0]}")/volume-steps.sh" "$1" "$2"

fat16 damaged.img 2080 DAMAGED
mmd -i damaged.img ::good
printf 'alpha\n' >src/a.txt
printf 'bravo bravo\n' >src/b.txt
printf 'root file\n' >src/root.txt
mcopy -i damaged.img src/a.txt src/b.txt ::good/
mcopy -i damaged.img src/root.txt ::root.txt
for i in $(seq -w 1 12); do
    mmd -i damaged.img "::d$i"
    at=$(entry damaged.img "D$i        ")
    patch damaged.img $((at + 26)) '\xf0\xff'
done
seal damaged.img damaged.vol Damaged
finish
