#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks its contents and control fields.
#
#   check-deb.sh BUILD_DIR WITH_GUI(0|1)
set -euo pipefail
build="$1" gui="$2"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" ||
    { cat "$scratch/cpack.log"; fail "cpack"; }
deb=("$scratch"/lcportable_*.deb)
[ -f "${deb[0]}" ] || fail "no package made"
contents="$(dpkg-deb -c "${deb[0]}")"
# The package holds the install tree check-install.sh checks; a sample of it here.
wanted=(./usr/bin/lcportable-cli ./usr/share/doc/lcportable/copyright)
[ "$gui" = 1 ] && wanted+=(./usr/bin/lcportable)
for path in "${wanted[@]}"; do
    grep -q " $path\$" <<<"$contents" || fail "$path missing from the package"
done
depends="$(dpkg-deb -f "${deb[0]}" Depends)"
grep -q "libc6 (>=" <<<"$depends" || fail "Depends without libc6: $depends"
if [ "$gui" = 1 ]; then
    grep -q "libqt6widgets6" <<<"$depends" || fail "Depends without Qt: $depends"
fi
