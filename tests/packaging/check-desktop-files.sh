#!/usr/bin/env bash
# The desktop entry, MIME package, AppStream metainfo and manual pages the build writes for the
# package pass the validators the desktop and Debian use, and say what they should.
# Usage: check-desktop-files.sh PACKAGING_BUILD_DIR MAN_DIR DESKTOP_ID
set -uo pipefail
packaging=$1 man=$2 id=$3
share=$packaging/share
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

entry=$share/applications/$id.desktop
if out=$(desktop-file-validate "$entry" 2>&1) && [ -z "$out" ]; then :; else fail "desktop-file-validate $entry: $out"; fi
grep -qx "Exec=glimmerdrome %f" "$entry" || fail "the desktop entry does not start glimmerdrome with the file"
grep -qx "Icon=$id" "$entry" || fail "the desktop entry's icon is not $id"
grep -qx "MimeType=application/x-glimmerdrome-project;" "$entry" || fail "the desktop entry does not open project files"

metainfo=$packaging/share-metainfo/$id.metainfo.xml
appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli validate $metainfo"

# The MIME package compiles into a database that knows *.gldp.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/mime/packages"
cp "$share/mime/packages/glimmerdrome.xml" "$scratch/mime/packages/"
out=$(update-mime-database "$scratch/mime" 2>&1) || fail "update-mime-database refused the MIME package: $out"
grep -q "application/x-glimmerdrome-project:\*\.gldp" "$scratch/mime/globs" 2>/dev/null ||
    fail "the MIME database does not map *.gldp to the project type"

# Every icon of the theme exists at its size, as a PNG of that size.
for size in 16 22 24 32 48 64 128 256; do
    for icon in apps/$id mimetypes/application-x-glimmerdrome-project; do
        png=$share/icons/hicolor/${size}x${size}/$icon.png
        if ! grep -q "PNG image data, $size x $size," <<<"$(file "$png")"; then
            fail "$png is not a $size x $size PNG"
        fi
    done
done

# The manual pages render without a warning, with their name line and their options.
for page in glimmerdrome gldbuild gldpack; do
    warnings=$(zcat "$man/$page.1.gz" | groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || fail "groff warns about $page(1): $warnings"
    text=$(zcat "$man/$page.1.gz" | groff -man -Tutf8 -P-cbu 2>/dev/null)
    grep -q "^NAME" <<<"$text" || fail "$page(1) has no NAME section"
    grep -Eq "^ +$page - " <<<"$text" || fail "$page(1) does not name itself"
    grep -q -- "--version" <<<"$text" || fail "$page(1) does not mention --version"
done

[ "$failures" -eq 0 ] || exit 1
echo "desktop files and manual pages: all valid"
