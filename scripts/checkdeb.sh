#!/usr/bin/env bash
# Checks the Debian package built in BUILD_DIR: lintian-clean, the files a desktop install needs,
# each one valid, its dependencies found, and the program inside it reporting the package's version.
# Usage: checkdeb.sh BUILD_DIR VERSION APP_ID. Exits 77 (skipped) when no package has been built
# there, unless RADIOPROG_REQUIRE_DEB is set.
set -euo pipefail
build=$1
version=$2
id=$3
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

# Errors and warnings fail. Informational tags are shown and pass, but for the hardening ones:
# lintian rates missing hardening as informational only.
tags=$(lintian --fail-on error,warning --display-info "$deb") || fail "lintian finds errors or warnings"
[ -n "$tags" ] && echo "$tags"
grep -q ' hardening-' <<<"$tags" && fail "the programs lack hardening"

listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/radioprog ./usr/bin/radio-sim ./usr/lib/radioprog/radioprog-window \
         ./usr/share/bash-completion/completions/radioprog \
         ./usr/share/applications/"$id".desktop \
         ./usr/share/metainfo/"$id".metainfo.xml \
         ./usr/share/mime/packages/"$id".xml \
         ./usr/share/icons/hicolor/scalable/apps/"$id".svg \
         ./usr/share/icons/hicolor/16x16/apps/"$id".png \
         ./usr/share/icons/hicolor/48x48/apps/"$id".png \
         ./usr/share/icons/hicolor/256x256/apps/"$id".png \
         ./usr/share/man/man1/radioprog.1.gz ./usr/share/man/man1/radio-sim.1.gz \
         ./usr/lib/udev/rules.d/70-radioprog.rules \
         ./usr/share/doc/radioprog/copyright ./usr/share/doc/radioprog/changelog.Debian.gz \
         ./usr/share/doc/radioprog/changelog.gz; do
    grep -qxF "$f" <<<"$listing" || fail "$f is not in the package"
done

[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
grep -q 'libqt6widgets6' <<<"$depends" || fail "Depends lacks the Qt libraries"
grep -q 'qt6-qpa-plugins' <<<"$depends" || fail "Depends lacks Qt's platform plugins"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
desktop="$root/usr/share/applications/$id.desktop"
# Its hints (another category would do too) pass; errors and warnings fail.
report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop entry does not validate"
[ -n "$report" ] && echo "$report"
grep -qE ': (error|warning): ' <<<"$report" && fail "desktop entry has errors or warnings"
grep -qx 'Categories=HamRadio;Utility;' "$desktop" || fail "desktop entry categories"
# The program opens plans named on its command line; images only from 恢复电台.
grep -qx 'MimeType=application/x-radioprog-plan;' "$desktop" || fail "desktop entry does not open plans"
grep -qx "Icon=$id" "$desktop" || fail "desktop entry's icon is not $id"
# On X11 the window's class is the command's name, not the entry's.
grep -qx 'StartupWMClass=radioprog' "$desktop" || fail "desktop entry does not match the window's class"
mime="$root/usr/share/mime/packages/$id.xml"
grep -q 'pattern="\*\.zq"' "$mime" || fail "MIME type lacks *.zq"
grep -q 'pattern="\*\.rimg"' "$mime" || fail "MIME type lacks *.rimg"
# --strict: everything but pedantic notes fails.
appstreamcli validate --no-net --strict "$root/usr/share/metainfo/$id.metainfo.xml" \
    || fail "metainfo does not validate"
grep -qF "<id>$id</id>" "$root/usr/share/metainfo/$id.metainfo.xml" || fail "metainfo's id is not $id"
page=$(zcat "$root/usr/share/man/man1/radioprog.1.gz")
grep -q '^\.TH RADIOPROG 1' <<<"$page" || fail "man page"
for topic in '导入 CSV' '备份电台' '恢复电台' '写频前自动备份' '写入后读回校验' '^\.SH FILES' 'radioprog\.conf' '/backups/' \
             '^\.SH COMMANDS' '^\.SH EXIT STATUS' 'verify' 'restore'; do
    grep -q "$topic" <<<"$page" || fail "man page lacks $topic"
done
rules="$root/usr/lib/udev/rules.d/70-radioprog.rules"
for usb in 1a86:7523 10c4:ea60 0403:6001 067b:2303; do
    grep -q "ATTRS{idVendor}==\"${usb%:*}\", ATTRS{idProduct}==\"${usb#*:}\"" "$rules" || fail "udev rule lacks $usb"
done
grep -q 'TAG+="uaccess"' "$rules" && grep -q 'ENV{ID_MM_DEVICE_IGNORE}="1"' "$rules" || fail "udev rule actions"

# The program names its desktop entry to Qt (kDesktopName, a UTF-16 literal): the one installed.
hex() { od -An -tx1 -v | tr -s ' \n' '  '; }
grep -qF "$(printf %s "$id" | iconv -t UTF-16LE | hex)" <(hex <"$root/usr/lib/radioprog/radioprog-window") \
    || fail "the window program does not name its desktop entry $id"

shown=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/radioprog" --version)
[[ "$shown" == *" $version" ]] || fail "radioprog --version shows '$shown'"
# The commands run without a display; --help names them and the exit codes.
shown=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/radioprog" --help)
for word in read write backup restore verify diff ports 退出状态; do
    grep -q "$word" <<<"$shown" || fail "radioprog --help lacks $word"
done
bash -n "$root/usr/share/bash-completion/completions/radioprog" || fail "bash completion does not parse"
shown=$("$root/usr/bin/radio-sim" --version)
[[ "$shown" == *" $version" ]] || fail "radio-sim --version shows '$shown'"

[ "$failed" -eq 0 ] && echo "$deb: all checks passed"
exit "$failed"
