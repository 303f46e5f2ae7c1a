#!/usr/bin/env bash
# Checks the Debian package built in BUILD_DIR: the files a desktop install needs, each one valid,
# its dependencies found, and the program inside it reporting the package's version.
# Usage: checkdeb.sh BUILD_DIR VERSION. Exits 77 (skipped) when no package has been built there,
# unless RADIOPROG_REQUIRE_DEB is set.
set -euo pipefail
build=$1
version=$2
shopt -s nullglob
debs=("$build"/radioprog_"$version"_*.deb)
if [ ${#debs[@]} -eq 0 ]; then
    echo "no radioprog_${version}_*.deb in $build: run cpack there first"
    [ -n "${RADIOPROG_REQUIRE_DEB:-}" ] && exit 1
    exit 77
fi
deb=${debs[0]}
failed=0
fail() { echo "FAIL: $*"; failed=1; }

listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/radioprog ./usr/bin/radio-sim \
         ./usr/share/applications/radioprog.desktop \
         ./usr/share/metainfo/radioprog.metainfo.xml \
         ./usr/share/mime/packages/radioprog.xml \
         ./usr/share/icons/hicolor/scalable/apps/radioprog.svg \
         ./usr/share/icons/hicolor/16x16/apps/radioprog.png \
         ./usr/share/icons/hicolor/48x48/apps/radioprog.png \
         ./usr/share/icons/hicolor/256x256/apps/radioprog.png \
         ./usr/share/man/man1/radioprog.1.gz ./usr/share/man/man1/radio-sim.1.gz \
         ./usr/lib/udev/rules.d/70-radioprog.rules \
         ./usr/share/doc/radioprog/copyright; do
    grep -qxF "$f" <<<"$listing" || fail "$f is not in the package"
done

[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
grep -q 'libqt6widgets6' <<<"$depends" || fail "Depends lacks the Qt libraries"
grep -q 'qt6-qpa-plugins' <<<"$depends" || fail "Depends lacks Qt's platform plugins"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/radioprog.desktop" || fail "desktop entry does not validate"
grep -qx 'Categories=HamRadio;Utility;' "$root/usr/share/applications/radioprog.desktop" || fail "desktop entry categories"
grep -qx 'MimeType=application/x-radioprog-plan;' "$root/usr/share/applications/radioprog.desktop" \
    || fail "desktop entry does not open plans"
grep -q 'pattern="\*\.zq"' "$root/usr/share/mime/packages/radioprog.xml" || fail "MIME type lacks *.zq"
# The id stays the program's name: there is no domain of ours to build a reverse-DNS id from.
appstreamcli validate --no-net --override=cid-desktopapp-is-not-rdns=info \
    "$root/usr/share/metainfo/radioprog.metainfo.xml" || fail "metainfo does not validate"
zcat "$root/usr/share/man/man1/radioprog.1.gz" | grep -q '^\.TH RADIOPROG 1' || fail "man page"
rules="$root/usr/lib/udev/rules.d/70-radioprog.rules"
for id in 1a86:7523 10c4:ea60 0403:6001 067b:2303; do
    grep -q "ATTRS{idVendor}==\"${id%:*}\", ATTRS{idProduct}==\"${id#*:}\"" "$rules" || fail "udev rule lacks $id"
done
grep -q 'TAG+="uaccess"' "$rules" && grep -q 'ENV{ID_MM_DEVICE_IGNORE}="1"' "$rules" || fail "udev rule actions"

shown=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/radioprog" --version)
[[ "$shown" == *" $version" ]] || fail "radioprog --version shows '$shown'"
shown=$("$root/usr/bin/radio-sim" --version)
[[ "$shown" == *" $version" ]] || fail "radio-sim --version shows '$shown'"

[ "$failed" -eq 0 ] && echo "$deb: all checks passed"
exit "$failed"
