#!/usr/bin/env bash
# The GUI tests' volumes, password "secret", from FAT16 images made with mkfs.fat and mtools:
#   gui.vol      label GUITEST: folders zeta, Alpha (with inner/deep.txt), mid in that stored order;
#                files of 0, 1, 1024, 1025 bytes, big.bin with size field 4294967295, bad.bin dated
#                in month 0, two dated .txt files
#   second.vol   label SECOND: one file; keyring.vol the same with a key-ring marker
#   nolabel.vol  no volume label: one folder
#   notfat.vol   an image of zeros
#   damaged.vol  label DAMAGED: folders d01..d12 starting past the volume, "good" with two files,
#                a file in the root
# Usage: make-gui-volumes.sh OUTDIR MKVOL
# shellcheck source=volume-steps.sh
. "$(dirname "${BASH_SOURCE[0]}")/volume-steps.sh" "$1" "$2"

fat16 gui.img 2080 GUITEST
for d in zeta Alpha mid Alpha/inner; do mmd -i gui.img "::$d"; done
: >src/empty.bin
head -c 1024 /dev/zero >src/kilo.bin
head -c 1025 /dev/zero >src/kilo1.bin
for f in one.bin:x big.bin:y bad.bin:z old.txt:old new.txt:new deep.txt:deep; do
    printf %s "${f#*:}" >"src/${f%%:*}"
done
touch -d '2010-01-15 15:04:06' src/*
touch -d '2008-05-01 10:00:00' src/old.txt
for f in empty.bin one.bin kilo.bin kilo1.bin big.bin bad.bin old.txt new.txt; do
    mcopy -m -i gui.img "src/$f" "::$f"
done
mcopy -m -i gui.img src/deep.txt ::Alpha/inner/deep.txt
# Size field 0xFFFFFFFF, and 2010-00-15 (date word 0x3C0F).
patch gui.img $(($(entry gui.img 'BIG     BIN') + 28)) '\xff\xff\xff\xff'
patch gui.img $(($(entry gui.img 'BAD     BIN') + 24)) '\x0f\x3c'
seal gui.img gui.vol GuiTest

fat16 second.img 2080 SECOND
mcopy -m -i second.img src/new.txt ::second.txt
seal second.img second.vol Second
seal second.img keyring.vol Second --format-level 210 --keyring-a 1

fat16 nolabel.img 2080
mmd -i nolabel.img ::only
patch nolabel.img 43 '           '  # the boot sector's label field all blanks
seal nolabel.img nolabel.vol NoLabel

head -c $((2080 * 1024)) /dev/zero >zero.img
seal zero.img notfat.vol NotFat

fat16 damaged.img 2080 DAMAGED
mmd -i damaged.img ::good
printf 'alpha\n' >src/a.txt
printf 'bravo bravo\n' >src/b.txt
printf 'root file\n' >src/root.txt
mcopy -i damaged.img src/a.txt src/b.txt ::good/
mcopy -i damaged.img src/root.txt ::root.txt
for i in $(seq -w 1 12); do
    mmd -i damaged.img "::d$i"
    patch damaged.img $(($(entry damaged.img "D$i        ") + 26)) '\xf0\xff'
done
seal damaged.img damaged.vol Damaged
finish
