#!/usr/bin/env bash
# Renders screenshots of the main window with the sample volume open, in English and German,
# under a virtual X server, for review by eye (not a test): the view styles, the dialogs (Qt's
# own in the interface language too), and the screen halfway through a long extraction.
#
#   scripts/screenshots.sh OUTDIR [BUILD_DIR]
#
# Needs the targets lcportable-screenshot (tools/screenshot) and mkvol, mkfs.fat, mtools, zstd and
# xvfb-run.
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:?usage: scripts/screenshots.sh OUTDIR [BUILD_DIR]}"
build="${2:-build}"
tool="$build/tools/screenshot/lcportable-screenshot"
mkvol="$build/tools/mkvol/mkvol"
for t in "$tool" "$mkvol"; do
    if [ ! -x "$t" ]; then
        echo "screenshots.sh: $t not found (build the targets lcportable-screenshot and mkvol first)" >&2
        exit 1
    fi
done
mkdir -p "$out"
out="$(cd "$out" && pwd)"
mkvol="$(cd "$(dirname "$mkvol")" && pwd)/mkvol"
repo="$PWD"

# A private settings and temporary area, so the run leaves no trace in the user's own.
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/config" "$scratch/runtime" "$scratch/tmp" "$scratch/vol"
chmod 700 "$scratch/runtime" "$scratch/tmp"

# A volume with one large file (a long extraction), and the NTFS fixture with a compressed file
# (the question about unsupported files). Password "secret" for both.
(
    cd "$scratch/vol"
    export MTOOLS_SKIP_CHECK=1
    mkfs.fat -F 32 -n LONGCOPY -C long.img $((160 * 1024)) >/dev/null
    head -c $((128 * 1024 * 1024)) /dev/urandom >film.bin
    printf 'a short note\n' >note.txt
    mcopy -i long.img film.bin note.txt ::
    "$mkvol" --password-a secret --name "Long Copy" long.img long.vol >/dev/null
    zstd -q -d -f "$repo/tests/fixtures/ntfs/ntfs-512.img.zst" -o ntfs.img
    "$mkvol" --password-a secret --name "Ntfs" ntfs.img ntfs.vol >/dev/null
    rm -f long.img film.bin note.txt ntfs.img
)

# shoot LANG NAME STYLE [VOLUME PASSWORD]
shoot() {
    local lang="$1" name="$2" style="$3" volume="${4:-examples/sample.vol}" password="${5:-sample}"
    env -u LC_ALL -u LC_MESSAGES LANG="$lang" QT_QPA_PLATFORM=xcb \
        XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/runtime" TMPDIR="$scratch/tmp" \
        xvfb-run -a -s "-screen 0 1280x800x24" \
        "$tool" "$volume" "$password" "$out/$name.png" "$style"
    echo "$out/$name.png"
}

shoot en_US.UTF-8 main-en details
shoot de_DE.UTF-8 main-de details
shoot en_US.UTF-8 tiles-en tiles
shoot en_US.UTF-8 list-en list
shoot en_US.UTF-8 password-en password
shoot en_US.UTF-8 about-en about
shoot de_DE.UTF-8 replace-de replace
shoot en_US.UTF-8 replace-en replace
shoot de_DE.UTF-8 password-de password
shoot en_US.UTF-8 delay-en delay
for lang in en_US de_DE; do
    l="${lang%%_*}"
    shoot "$lang.UTF-8" "question-$l" question "$scratch/vol/ntfs.vol" secret
    shoot "$lang.UTF-8" "save-$l" save
    shoot "$lang.UTF-8" "folder-$l" folder
    shoot "$lang.UTF-8" "extracting-$l" extracting "$scratch/vol/long.vol" secret
done
