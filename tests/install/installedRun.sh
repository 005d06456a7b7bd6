#!/bin/sh
# Installs the build into a temporary prefix and runs the installed program from there: it must find its language
# files in share/veltro/ and write nothing into its bin folder.
#     installedRun.sh BUILD-DIR SOURCE-DIR
set -eu
build=$1
source=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
prefix=$root/usr

cmake --install "$build" --prefix "$prefix" > "$root/install.log"
for file in bin/veltro share/veltro/veltro.xde share/veltro/veltro.xus share/veltro/veltrode.rtf \
    share/veltro/veltrous.rtf share/veltro/default.htt share/applications/veltro.desktop \
    share/mime/packages/veltro.xml share/metainfo/com.tidewellkorvan.Veltro.metainfo.xml \
    share/icons/hicolor/16x16/apps/veltro.png share/icons/hicolor/256x256/apps/veltro.png \
    share/icons/hicolor/scalable/apps/veltro.svg; do
    [ -f "$prefix/$file" ] || { echo "not installed: $file"; exit 1; }
done

export HOME="$root/home"
export XDG_CONFIG_HOME="$HOME/.config"
mkdir -p "$HOME"
sample=$source/samples/sample-meet.ovz
"$prefix/bin/veltro" --check "$sample" > "$root/check.txt"
grep -q . "$root/check.txt"
# A language code needs its file, so these runs prove that the installed language files are found.
"$prefix/bin/veltro" --copy event:1 "$sample" --language us > "$root/us.txt"
"$prefix/bin/veltro" --copy event:1 "$sample" --language de > "$root/de.txt"
[ -s "$root/us.txt" ] && [ -s "$root/de.txt" ]
if cmp -s "$root/us.txt" "$root/de.txt"; then
    echo "the English and the German copy are the same"
    exit 1
fi
if [ "$(ls "$prefix/bin")" != "veltro" ]; then
    echo "the installed program wrote into its bin folder:"
    ls "$prefix/bin"
    exit 1
fi
echo "installed run passed"
