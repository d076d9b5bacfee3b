#!/usr/bin/env bash
# Renders screenshots of the main window with the sample volume open, in English and German,
# under a virtual X server, for review by eye (not a test).
#
#   scripts/screenshots.sh OUTDIR [BUILD_DIR]
#
# Needs the targets lcportable-screenshot (tests/gui) and xvfb-run.
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:?usage: scripts/screenshots.sh OUTDIR [BUILD_DIR]}"
build="${2:-build}"
tool="$build/tests/gui/lcportable-screenshot"
if [ ! -x "$tool" ]; then
    echo "screenshots.sh: $tool not found (build the target lcportable-screenshot first)" >&2
    exit 1
fi
mkdir -p "$out"
out="$(cd "$out" && pwd)"

# A private settings and temporary area, so the run leaves no trace in the user's own.
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/config" "$scratch/runtime" "$scratch/tmp"
chmod 700 "$scratch/runtime" "$scratch/tmp"

shoot() {
    local lang="$1" name="$2"
    shift 2
    env -u LC_ALL -u LC_MESSAGES LANG="$lang" QT_QPA_PLATFORM=xcb \
        XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/runtime" TMPDIR="$scratch/tmp" \
        xvfb-run -a -s "-screen 0 1024x768x24" \
        "$tool" examples/sample.vol sample "$out/$name.png" "$@"
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
