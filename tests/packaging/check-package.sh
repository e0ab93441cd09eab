#!/usr/bin/env bash
# Builds the Debian package from the build folder, unpacks it into a folder of its own and uses
# it from there as a user would: the layout and dependencies, --version, a build of the bundled
# example with gldbuild, gldpack's check of the output, and the program started on the example.
# Nothing of it may write into the unpacked tree: settings go to the user's folder.
# Usage: check-package.sh BUILD_DIR VERSION DESKTOP_ID
set -uo pipefail
build=$1 version=$2 id=$3
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
scratch=$(mktemp -d)
program_pid=
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

# --- the package: built beside, not over, what `make deb` writes
if ! (cd "$build" && cpack -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1); then
    cat "$scratch/cpack.log"
    echo "FAIL: cpack could not build the package"
    exit 1
fi
arch=$(dpkg --print-architecture)
deb=$scratch/out/glimmerdrome_${version}_${arch}.deb
[ -f "$deb" ] || { ls "$scratch/out"; echo "FAIL: no $(basename "$deb")"; exit 1; }

# Every library the programs run on, by package name (versions aside).
depends=$(dpkg-deb -f "$deb" Depends)
names=$(echo "$depends" | tr ',' '\n' | sed 's/^ *//; s/[ (].*//')
for library in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6webenginewidgets6 \
    zlib1g liblzma5 qt6-qpa-plugins; do
    echo "$names" | grep -Fqx "$library" || fail "Depends lacks $library: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = glimmerdrome ] || fail "the package is not named glimmerdrome"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not $version"

root=$scratch/unpacked
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x"; exit 1; }
for file in usr/bin/glimmerdrome usr/bin/gldbuild usr/bin/gldpack \
    usr/lib/glimmerdrome/saver.dll usr/lib/glimmerdrome/inst.dll \
    usr/share/glimmerdrome/defaultProjectIcon.ico usr/share/glimmerdrome/gldhelp.html \
    usr/share/glimmerdrome/examples/Starfield/Starfield.gldp \
    usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
    usr/share/mime/packages/glimmerdrome.xml \
    usr/share/icons/hicolor/256x256/apps/$id.png \
    usr/share/man/man1/glimmerdrome.1.gz usr/share/man/man1/gldbuild.1.gz \
    usr/share/man/man1/gldpack.1.gz usr/share/doc/glimmerdrome/copyright \
    usr/share/doc/glimmerdrome/changelog.gz; do
    [ -f "$root/$file" ] || fail "the package lacks /$file"
done
zcat "$root/usr/share/doc/glimmerdrome/changelog.gz" >"$scratch/changelog" 2>/dev/null
[ "$(dpkg-parsechangelog -l "$scratch/changelog" -S Version 2>&1)" = "$version" ] ||
    fail "the package's changelog does not read as version $version"
for program in glimmerdrome gldbuild gldpack; do
    [ -x "$root/usr/bin/$program" ] || fail "/usr/bin/$program is not executable"
done
# Only the three programs are on the PATH; the build's own helpers stay out of the package.
extra=$(ls "$root/usr/bin" | grep -Evx "glimmerdrome|gldbuild|gldpack")
[ -z "$extra" ] || fail "unexpected programs in /usr/bin: $extra"
found=$(find "$root" -name configuration.ini)
[ -z "$found" ] || fail "the package carries a settings file: $found"
appstreamcli validate-tree --no-net "$root" >"$scratch/validate-tree.log" 2>&1 ||
    { cat "$scratch/validate-tree.log"; fail "appstreamcli validate-tree"; }

# --- the unpacked programs, with a user of their own
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/config XDG_DATA_HOME=$scratch/home/data
mkdir -p "$HOME"
bin=$root/usr/bin
for program in glimmerdrome gldbuild gldpack; do
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin/$program" --version 2>&1)
    [ "$out" = "$program $version" ] || fail "$program --version printed \"$out\""
done

# The example is copied out of the read-only data folder first, as its manual page says.
work=$scratch/work
cp -r "$root/usr/share/glimmerdrome/examples/Starfield" "$work"
project=$work/Starfield.gldp
if "$bin/gldbuild" --quiet "$project" >"$scratch/gldbuild.log" 2>&1; then
    out=$("$bin/gldpack" test "$work/setup.exe" 2>&1)
    grep -q "all intact" <<<"$out" || fail "gldpack test setup.exe: $out"
    # The installer begins with the stub of the unpacked tree, not of the build folder.
    stub=$root/usr/lib/glimmerdrome/inst.dll
    cmp -s -n "$(stat -c %s "$stub")" "$stub" "$work/setup.exe" ||
        fail "setup.exe does not begin with the package's inst.dll"
    listing=$("$bin/gldpack" list "$work/setup.exe" 2>&1)
    for name in Starfield.scr Starfield.gldp Starfield.ico Readme.txt License.txt; do
        grep -q "$work/$name\$" <<<"$listing" || fail "setup.exe lacks $work/$name: $listing"
    done
else
    cat "$scratch/gldbuild.log"
    fail "gldbuild could not build the example from the unpacked tree"
fi

# The program on the example, without a display: up when it has put the project at the head
# of the user's recent list.
settings=$XDG_CONFIG_HOME/glimmerdrome/configuration.ini
opened() { grep -qx "0=$project" <<<"$(tr -d '\r' <"$settings" 2>/dev/null)"; }
QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 \
    "$bin/glimmerdrome" "$project" >"$scratch/program.log" 2>&1 &
program_pid=$!
for _ in $(seq 1 120); do
    opened && break
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.5
done
if ! opened; then
    cat "$scratch/program.log"
    fail "the program did not open the project (no recent entry in $settings)"
fi
kill -0 "$program_pid" 2>/dev/null || { cat "$scratch/program.log"; fail "the program ended by itself"; }
kill "$program_pid" 2>/dev/null
wait "$program_pid" 2>/dev/null
program_pid=
found=$(find "$root" -name configuration.ini)
[ -z "$found" ] || fail "the program wrote its settings into the unpacked tree: $found"

[ "$failures" -eq 0 ] || exit 1
echo "$(basename "$deb"): built, unpacked and used"
