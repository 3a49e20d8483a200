#!/usr/bin/env bash
# Installs the build into a scratch prefix and asks shared-mime-info's database, through GIO
# as a file manager does, what a library file is; checks that the installed desktop entry
# offers Brenvik for that type.
# Usage: check-mime.sh BUILD_DIR
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cmake --install "$build" --prefix "$scratch/usr" >/dev/null
share=$scratch/usr/share
xml=$share/mime/packages/org.example.tolmaric.Brenvik.xml
[ -f "$xml" ] || { echo "not installed: $xml"; exit 1; }
update-mime-database "$share/mime"
printf 'ROOT\r\n\tMy Library\r\n' > "$scratch/capitals.bv1"
mkdir -p "$scratch/home"
# Only the scratch prefix: the result must come from the installed type, not the system's.
type=$(env XDG_DATA_HOME="$scratch/home" XDG_DATA_DIRS="$share" \
  gio info -a standard::content-type "$scratch/capitals.bv1" |
  sed -n 's/^ *standard::content-type: *//p')
echo "content type: $type"
[ "$type" = "application/x-brenvik-library" ] || exit 1
desktop=$share/applications/org.example.tolmaric.Brenvik.desktop
grep -qx 'MimeType=application/x-brenvik-library;' "$desktop" || { echo "no MimeType= in $desktop"; exit 1; }
grep -qx 'Exec=brenvik %F' "$desktop" || { echo "no %F in $desktop"; exit 1; }
for size in 16 24 32 48 64 128 256; do
  png=$share/icons/hicolor/${size}x${size}/apps/org.example.tolmaric.Brenvik.png
  file "$png" | grep -q "PNG image data, $size x $size," || { echo "bad icon: $png"; exit 1; }
done
echo "ok"
