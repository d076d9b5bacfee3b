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
set -euo pipefail
out="$1"
mkvol="$2"
export MTOOLS_SKIP_CHECK=1 TZ=UTC LC_ALL=C
mkdir -p "$out/src"
cd "$out"

# Byte offset of an 8.3 directory entry name in an image.
entry() { grep -obUa "$2" "$1" | head -n1 | cut -d: -f1; }
patch() { printf "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none; }

mkfs.fat -F 16 -s 1 -S 512 -n GUITEST -C gui.img 2080 >/dev/null
for d in zeta Alpha mid Alpha/inner; do mmd -i gui.img "::$d"; done
: >src/empty.bin
printf x >src/one.bin
head -c 1024 /dev/zero >src/kilo.bin
head -c 1025 /dev/zero >src/kilo1.bin
printf y >src/big.bin
printf z >src/bad.bin
printf old >src/old.txt
printf new >src/new.txt
printf deep >src/deep.txt
touch -d '2008-05-01 10:00:00' src/old.txt
touch -d '2010-01-15 15:04:06' src/new.txt src/empty.bin src/one.bin src/kilo.bin src/kilo1.bin \
    src/big.bin src/bad.bin src/deep.txt
for f in empty.bin one.bin kilo.bin kilo1.bin big.bin bad.bin old.txt new.txt; do
    mcopy -m -i gui.img "src/$f" "::$f"
done
mcopy -m -i gui.img src/deep.txt ::Alpha/inner/deep.txt
# Size field 0xFFFFFFFF, and 2010-00-15 (date word 0x3C0F).
big=$(entry gui.img 'BIG     BIN')
patch gui.img $((big + 28)) '\xff\xff\xff\xff'
bad=$(entry gui.img 'BAD     BIN')
patch gui.img $((bad + 24)) '\x0f\x3c'
"$mkvol" --password-a secret --name GuiTest gui.img gui.vol

mkfs.fat -F 16 -s 1 -S 512 -n SECOND -C second.img 2080 >/dev/null
mcopy -m -i second.img src/new.txt ::second.txt
"$mkvol" --password-a secret --name Second second.img second.vol
"$mkvol" --password-a secret --format-level 210 --keyring-a 1 --name Second second.img keyring.vol

mkfs.fat -F 16 -s 1 -S 512 -C nolabel.img 2080 >/dev/null
mmd -i nolabel.img ::only
# The boot sector's label field (offset 43) all blanks: no label at all.
patch nolabel.img 43 '           '
"$mkvol" --password-a secret --name NoLabel nolabel.img nolabel.vol

head -c $((2080 * 1024)) /dev/zero >zero.img
"$mkvol" --password-a secret --name NotFat zero.img notfat.vol
rm -rf src ./*.img
