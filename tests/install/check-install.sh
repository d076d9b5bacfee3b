#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR and checks the file list, stripped programs, desktop
# entry, man pages, completion, and that shared-mime-info resolves a volume to the installed type.
#
#   check-install.sh BUILD_DIR SOURCE_DIR WITH_GUI(0|1)
set -euo pipefail
build="$1" source="$2" gui="$3"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

root="$scratch/root"
DESTDIR="$root" cmake --install "$build" --prefix /usr --strip >/dev/null

expected=(
    usr/bin/lcportable-cli
    usr/share/bash-completion/completions/lcportable-cli
    usr/share/doc/lcportable/README.md
    usr/share/doc/lcportable/copyright
    usr/share/man/man1/lcportable-cli.1.gz
    usr/share/mime/packages/lcportable.xml
)
if [ "$gui" = 1 ]; then
    expected+=(usr/bin/lcportable usr/share/applications/lcportable.desktop
        usr/share/icons/hicolor/scalable/apps/lcportable.svg usr/share/man/man1/lcportable.1.gz)
    for size in 16 22 24 32 48 64 128 256; do
        expected+=("usr/share/icons/hicolor/${size}x${size}/apps/lcportable.png")
    done
fi
diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$root" && find . ! -type d | sed 's|^\./||' | sort) ||
    fail "installed files differ from the expected list (< expected, > installed)"

for program in "$root"/usr/bin/*; do
    file -b "$program" | grep -q ", stripped" || fail "$program is not stripped"
done
if [ "$gui" = 1 ]; then
    desktop-file-validate "$root/usr/share/applications/lcportable.desktop" || fail "desktop entry"
    for size in 16 48 256; do
        file -b "$root/usr/share/icons/hicolor/${size}x${size}/apps/lcportable.png" |
            grep -q "PNG image data, $size x $size" || fail "icon size $size"
    done
fi
for page in "$root"/usr/share/man/man1/*.gz; do
    warnings="$(zcat "$page" | groff -man -Tutf8 -ww -z 2>&1)"
    [ -z "$warnings" ] || fail "$page: $warnings"
done
# Completion: commands, then options, then .vol files (and folders) for the volume.
mkdir -p "$scratch/files/sub" && touch "$scratch/files/a.vol" "$scratch/files/b.txt"
completions="$(cd "$scratch/files" && bash -c '
    source /usr/share/bash-completion/bash_completion
    source "$1"
    complete_line() {
        COMP_WORDS=("$@") COMP_CWORD=$(($# - 1)) COMP_LINE="$*" COMP_POINT=${#COMP_LINE} COMPREPLY=()
        _lcportable_cli
        echo "${COMPREPLY[*]}"
    }
    complete_line lcportable-cli ex
    complete_line lcportable-cli ls --so
    complete_line lcportable-cli ls ""
' - "$root/usr/share/bash-completion/completions/lcportable-cli")"
[ "$completions" = "$(printf 'extract\n--sort=\na.vol sub')" ] || fail "completion gave: $completions"

# The MIME type by name and, for a copy under another name, by the header's magic bytes.
export XDG_DATA_DIRS="$root/usr/share" XDG_DATA_HOME="$scratch/home" XDG_CURRENT_DESKTOP=
update-mime-database "$root/usr/share/mime"
cp "$source/examples/sample.vol" "$scratch/renamed.bin"
printf 'Lockchamber Virtual Disk!' >"$scratch/near-miss.bin"
for file in "$source/examples/sample.vol" "$scratch/renamed.bin"; do
    type="$(xdg-mime query filetype "$file")"
    [ "$type" = application/x-lockchamber-volume ] || fail "$file resolved to '$type'"
done
type="$(xdg-mime query filetype "$scratch/near-miss.bin")"
[ "$type" != application/x-lockchamber-volume ] || fail "a near miss resolved to the volume type"
echo "install check passed"
