#!/usr/bin/env bash
# Builds the Debian package from this build directory into a temporary one and checks it as a user's apt
# would see it: its name, that it installs to /usr with the desktop files, dependencies computed from the
# binary plus the run-time packages, and no lintian error or warning.
#   deb_package_test.sh CPACK BUILD_DIR VERSION [TAG,...]
# TAG,... are lintian tags that this build may raise (a sanitizer build's, say).
set -u
cpack=$1
build=$2
version=$3
allowed=${4:-}
work=$(mktemp -d /tmp/vexlin-deb-XXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack failed"; }
arch=$(dpkg --print-architecture)
deb=$work/vexlin_${version}_${arch}.deb
[[ -f $deb ]] || fail "no $deb; cpack made: $(ls "$work")"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/vexlin ./usr/lib/vexlin/modules/vexlin-sound.so ./usr/lib/vexlin/modules/vexlin-report.so ./usr/share/vexlin/data/klava.bmp ./usr/share/applications/org.vexlin.Vexlin.desktop \
         ./usr/share/metainfo/org.vexlin.Vexlin.metainfo.xml ./usr/share/icons/hicolor/16x16/apps/org.vexlin.Vexlin.png \
         ./usr/share/doc/vexlin/copyright ./usr/share/doc/vexlin/changelog.gz \
         ./usr/lib/vexlin/vexlin-smart-helper ./usr/share/polkit-1/actions/org.vexlin.Vexlin.smart-helper.policy; do
    grep -qxF "$f" <<<"$contents" || fail "the package lacks $f"
done
grep -v '^\./usr/' <<<"$contents" | grep -vx '\./' && fail "the package installs outside /usr"

# pkexec runs the drive-health helper only under the action that names its installed path.
policy=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/polkit-1/actions/org.vexlin.Vexlin.smart-helper.policy)
grep -qF '<annotate key="org.freedesktop.policykit.exec.path">/usr/lib/vexlin/vexlin-smart-helper</annotate>' \
    <<<"$policy" || fail "the polkit action does not name /usr/lib/vexlin/vexlin-smart-helper: $policy"
grep -qF '<allow_active>auth_admin_keep</allow_active>' <<<"$policy" || fail "the polkit action does not keep the password"

depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libqt6multimedia6 libmpg123-0 libzip4 libc6 qt6-qpa-plugins fonts-liberation libgl1-mesa-dri; do
    grep -q "\\b$d\\b" <<<"$depends" || fail "Depends lacks $d: $depends"
done

lintian --fail-on error,warning ${allowed:+--suppress-tags "$allowed"} "$deb" 2>&1 | grep -v 'running with root privileges'
[[ ${PIPESTATUS[0]} -eq 0 ]] || fail "lintian reports errors or warnings"
echo "$(basename "$deb"): Depends: $depends"
