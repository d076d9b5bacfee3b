#!/usr/bin/env bash
# Builds the volumes the GUI tests open, from small FAT16 images made with mkfs.fat and mtools:
#   gui.vol      password "secret", name "GuiTest", label GUITEST: folders zeta, Alpha (with
#                inner/deep.txt), mid in that stored order; files of 0, 1, 1024, 1025 bytes, one
#                whose size field says 4294967295, one whose date has month 0, two dated files
#   second.vol   password "secret", name "Second", label SECOND: one file
#   nolabel.vol  password "secret", name "NoLabel", no volume label: one folder
#   keyring.vol  as second.vol with a key-ring marker in key block A
#   notfat.vol   password "secret": an image of zeros (no file system)
#
#   make-gui-volumes.sh OUTDIR MKVOL
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
big=$(entry gui.img 'BIG     BIN')
patch gui.img $((big + 28)) '\xff\xff\xff\xff'
bad=$(entry gui.img 'BAD     BIN')
patch gui.img $((bad + 24)) '\x0f\x3c'
seal gui.img gui.vol GuiTest

fat16 second.img 2080 SECOND
mcopy -m -i second.img src/new.txt ::second.txt
seal second.img second.vol Second
seal second.img keyring.vol Second --format-level 210 --keyring-a 1

fat16 nolabel.img 2080
mmd -i nolabel.img ::only
# The boot sector's label field (offset 43) all blanks: no label at all.
patch nolabel.img 43 '           '
seal nolabel.img nolabel.vol NoLabel

head -c $((2080 * 1024)) /dev/zero >zero.img
seal zero.img notfat.vol NotFat
finish
