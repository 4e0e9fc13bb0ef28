#!/usr/bin/env bash
# The Debian package as cpack builds it from this build folder: its name, its
# dependencies (the Qt libraries found by dpkg-shlibdeps, the Namazu programs,
# perl and locales named by hand), its maintainer, the scripts that make and
# remove the ja_JP.SJIS locale, the files it installs under /usr with the
# copyright file, and apt's view of whether it would install here (a
# simulation; nothing is installed).
#
# Usage: check_package.sh BUILD_DIR WORK_DIR
set -euo pipefail
build="$1" work="$2"
fail() { echo "FAIL: $*" >&2; exit 1; }
command -v dpkg-shlibdeps >/dev/null || { echo "note: dpkg-dev is not installed; no package built"; exit 0; }

rm -rf "$work"
mkdir -p "$work"
cpack -G DEB -B "$work" --config "$build/CPackConfig.cmake" >"$work/cpack.txt" 2>&1 \
  || { cat "$work/cpack.txt" >&2; fail "cpack"; }
deb="$(ls "$work"/tavirel_*_*.deb)"
[ -f "$deb" ] || fail "no tavirel_<version>_<arch>.deb"

depends="$(dpkg-deb -f "$deb" Depends)"
recommends="$(dpkg-deb -f "$deb" Recommends)"
for need in namazu2 namazu2-index-tools perl locales libqt6core6 libqt6gui6 libqt6widgets6; do
  grep -Eq "(^|, )$need( |,|$)" <<<"$depends" || fail "Depends lacks $need: $depends"
done
for want in nkf libnkf-perl; do
  grep -Eq "(^|, )$want( |,|$)" <<<"$recommends" || fail "Recommends lacks $want: $recommends"
done

[ "$(dpkg-deb -f "$deb" Maintainer)" = "tavirel developers <tavirel@localhost>" ] \
  || fail "Maintainer: $(dpkg-deb -f "$deb" Maintainer)"

# The scripts that make the ja_JP.SJIS locale and remove it on purge, the
# trigger that makes it again with new locale sources.
dpkg-deb -e "$deb" "$work/control"
for script in postinst postrm; do
  [ -x "$work/control/$script" ] || fail "no executable $script"
  sh -n "$work/control/$script" || fail "$script is no shell script"
done
grep -q 'localedef --no-archive' "$work/control/postinst" || fail "postinst makes no locale"
grep -qx 'interest-noawait /usr/share/i18n' "$work/control/triggers" || fail "no trigger on the locale sources"

files="$(dpkg-deb -c "$deb" | awk '{print $6}')"
for f in ./usr/bin/tavirel ./usr/share/tavirel/help/start.html ./usr/share/tavirel/help/index.html \
         ./usr/share/applications/tavirel.desktop \
         ./usr/share/icons/hicolor/scalable/apps/tavirel.svg \
         ./usr/share/metainfo/io.github.tavirel.Tavirel.metainfo.xml \
         ./usr/share/doc/tavirel/copyright; do
  grep -qx "$f" <<<"$files" || fail "the package lacks $f"
done
# Only /usr, and nothing of the build (tests, libraries, headers).
grep -v '^\./usr/' <<<"$files" | grep -vx './' && fail "files outside /usr"
grep -E '\.(a|h|so)$|test_' <<<"$files" && fail "build files in the package"

# The copyright file in Debian's machine-readable form, with the licence.
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/tavirel/copyright >"$work/copyright"
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$work/copyright" \
  && grep -q '^License: MIT$' "$work/copyright" \
  && grep -q '^ Copyright (c) 2026 the tavirel developers$' "$work/copyright" \
  && grep -q '^ THE SOFTWARE IS PROVIDED "AS IS"' "$work/copyright" \
  || { cat "$work/copyright" >&2; fail "the copyright file"; }

apt-get install --simulate -qq "$deb" >"$work/simulate.txt" 2>&1 \
  || { cat "$work/simulate.txt" >&2; fail "apt would not install the package"; }
echo "package checks passed: $(basename "$deb")"
