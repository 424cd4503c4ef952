#!/usr/bin/env bash
# The Debian package as a user gets it: CPack builds it from the build
# tree, its contents and control fields are checked, and it is unpacked into
# a scratch root whose programs must run: both answer --version, and the
# packaged glassmere-reflect converts a picture to the same bytes as the
# program in the build tree.
#
#   package.sh BUILD_DIR VERSION APP_ID GLASSMERE_REFLECT
set -euo pipefail
build=$1
version=$2
app_id=$3
built_reflect=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$work/out/glassmere_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb"), only: $(ls "$work/out")"

dpkg-deb -c "$deb" | awk '{ print $NF }' >"$work/contents"
while read -r path; do
    grep -qxF "./usr/$path" "$work/contents" || fail "the package lacks /usr/$path"
done <<EOT
bin/glassmere
bin/glassmere-reflect
share/applications/$app_id.desktop
share/metainfo/$app_id.metainfo.xml
share/icons/hicolor/16x16/apps/glassmere.png
share/icons/hicolor/32x32/apps/glassmere.png
share/icons/hicolor/48x48/apps/glassmere.png
share/icons/hicolor/256x256/apps/glassmere.png
share/man/man1/glassmere.1.gz
share/man/man1/glassmere-reflect.1.gz
share/bash-completion/completions/glassmere-reflect
share/doc/glassmere/manual.html
EOT

# Found by dpkg-shlibdeps, and the plug-ins Qt loads at run time.
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6gui6 libqt6widgets6 libc6 qt6-image-formats-plugins libqt6svg6 qt6-wayland libavif15; do
    [[ ", $depends," == *", $package"[\ ,]* ]] || fail "Depends lacks $package: $depends"
done
for field in Maintainer Description; do
    [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "no $field"
done

root=$work/root
dpkg -x "$deb" "$root"
for program in glassmere glassmere-reflect; do
    got=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/$program" --version)
    [ "$got" = "$program $version" ] || fail "$program --version says \"$got\""
    man -l "$root/usr/share/man/man1/$program.1.gz" 2>/dev/null | grep -q -- '--version' ||
        fail "the manual page of $program does not show"
done

picture=$root/usr/share/icons/hicolor/48x48/apps/glassmere.png
"$root/usr/bin/glassmere-reflect" --side left --size 50 "$picture" -o "$work/packaged.png"
"$built_reflect" --side left --size 50 "$picture" -o "$work/built.png"
cmp -s "$work/packaged.png" "$work/built.png" || fail "the packaged program converts differently"
