#!/usr/bin/env bash
# Installs a build into a temporary root and makes its Debian package, and
# checks that both hold the program, orvalla-stores, the desktop entry and
# the icons, and that the package names what the program needs to start.
#
# usage: check.sh BUILD_DIR
set -euo pipefail

readonly build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME=$tmp XDG_DATA_HOME=$tmp/data XDG_CONFIG_HOME=$tmp/config

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Runs a command quietly, showing what it said only when it fails.
quiet() {
    local output
    output=$("$@" 2>&1) || {
        echo "$output" >&2
        fail "$*"
    }
}

root=$tmp/root
DESTDIR=$root quiet cmake --install "$build" --prefix /usr

for program in orvalla orvalla-stores; do
    [[ -x $root/usr/bin/$program ]] || fail "usr/bin/$program not installed"
    # A library left in the build tree would be found there, never once installed.
    if ldd "$root/usr/bin/$program" | grep 'not found'; then
        fail "usr/bin/$program needs a library that is not installed"
    fi
done

entry=$root/usr/share/applications/orvalla.desktop
desktop-file-validate "$entry" || fail "the desktop entry is not valid"
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
[[ -x $root/usr/bin/$exec_program ]] || fail "the desktop entry starts '$exec_program', not installed"
icon=$(sed -n 's/^Icon=//p' "$entry")
for size in 16x16 32x32; do
    [[ -f $root/usr/share/icons/hicolor/$size/apps/$icon.png ]] || fail "no $size icon named '$icon'"
done

quiet cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/package"
packages=("$tmp"/package/*.deb)
[[ ${#packages[@]} -eq 1 && -f ${packages[0]} ]] || fail "cpack made no single .deb"
package=${packages[0]}

# The package holds exactly what the install put in place.
diff <(cd "$root" && find . -type f | sort) \
    <(dpkg-deb -c "$package" | awk '$6 !~ /\/$/ { print $6 }' | sort) ||
    fail "the package's files differ from the installed ones"

depends=$(dpkg-deb -f "$package" Depends)
for needed in libqt6widgets6 libjpeg62-turbo libsqlite3-0 qt6-qpa-plugins; do
    grep -Eq "(^|, )$needed( |,|\$)" <<<"$depends" ||
        fail "the package does not depend on $needed: $depends"
done
