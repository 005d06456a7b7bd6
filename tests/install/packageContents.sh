#!/bin/sh
# Builds the Debian package of a build folder and checks what it holds and that its dependencies were computed.
#     packageContents.sh BUILD-DIR
set -eu
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

(cd "$build" && cpack -G DEB -B "$out" > "$out/cpack.log") || { cat "$out/cpack.log"; exit 1; }
package=$(ls "$out"/*.deb)
dpkg-deb --contents "$package" > "$out/contents.txt"
for file in ./usr/bin/veltro ./usr/share/applications/veltro.desktop ./usr/share/veltro/veltro.xus \
    ./usr/share/mime/packages/veltro.xml ./usr/share/icons/hicolor/48x48/apps/veltro.png \
    ./usr/share/icons/hicolor/256x256/apps/veltro.png ./usr/share/icons/hicolor/scalable/apps/veltro.svg; do
    grep -q " $file\$" "$out/contents.txt" || { echo "not in the package: $file"; cat "$out/contents.txt"; exit 1; }
done
depends=$(dpkg-deb -f "$package" Depends)
case "$depends" in
*libqt6widgets6*) ;;
*) echo "dependencies not computed: $depends"; exit 1 ;;
esac
# The program opens the HTTP client library only when a transfer starts, so the computed list cannot name it.
case "$depends" in
*libcurl4*) ;;
*) echo "the HTTP client library is not a dependency: $depends"; exit 1 ;;
esac
echo "package $(basename "$package") passed"
