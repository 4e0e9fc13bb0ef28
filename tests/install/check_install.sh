#!/usr/bin/env bash
# The installed program on real files: `cmake --install` into a temporary
# prefix, the desktop files validated, then the installed executable started
# offscreen and asked to end (it closes its window as a user would). In an
# installed tree its settings go to $XDG_CONFIG_HOME/tavirel and nothing is
# written under the prefix, even though the tests run as root (the prefix is
# made read-only and, because root may write anyway, its listing is compared
# before and after). A copy in a folder of its own keeps everything beside it.
#
# Usage: check_install.sh BUILD_DIR PREFIX WORK_DIR
set -euo pipefail
build="$1" prefix="$2" work="$3"

fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"

# Starts the executable $1 offscreen with the user folders under $2, waits for
# the file $3 to appear, asks the program to end and checks that it ended by
# itself with status 0.
run_until() {
  local exe="$1" home="$2" expect="$3"
  mkdir -p "$home"
  (cd "$home" && HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache" \
     XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR= QT_QPA_PLATFORM=offscreen exec "$exe") \
    >"$home/output.txt" 2>&1 &
  local pid=$! i
  for i in $(seq 1 200); do
    [ -f "$expect" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -f "$expect" ] || { kill -KILL "$pid" 2>/dev/null; cat "$home/output.txt" >&2; fail "$expect was not written"; }
  sleep 0.5
  kill -TERM "$pid"
  for i in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    fail "$exe did not end when asked to"
  fi
  local status=0
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || { cat "$home/output.txt" >&2; fail "$exe ended with status $status"; }
}

listing() { (cd "$1" && find . -printf '%p %y %s %m %T@\n' | sort); }

# ---- the installed tree ---------------------------------------------------------
for f in bin/tavirel share/tavirel/help/start.html share/tavirel/help/index.html \
         share/applications/tavirel.desktop share/icons/hicolor/scalable/apps/tavirel.svg \
         share/metainfo/io.github.tavirel.Tavirel.metainfo.xml share/doc/tavirel/copyright; do
  [ -f "$prefix/$f" ] || fail "not installed: $f"
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/tavirel.desktop" || fail "desktop-file-validate"
else
  echo "note: desktop-file-validate is not installed; the desktop file was not validated"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$prefix/share/metainfo/io.github.tavirel.Tavirel.metainfo.xml" \
    || fail "appstreamcli validate"
else
  echo "note: appstreamcli is not installed; the metainfo file was not validated"
fi

# ---- installed mode ---------------------------------------------------------------
chmod -R a-w "$prefix"
trap 'chmod -R u+w "$prefix"' EXIT
before="$(listing "$prefix")"
home="$work/installed"
ini="$home/config/tavirel/tavirel.ini"
run_until "$prefix/bin/tavirel" "$home" "$ini"
# A first start writes the defaults; the close saves them (the sort order
# "None" of a new file is saved as "Score").
grep -q '^Sort=Score' "$ini" || fail "the close did not save the settings in $ini"
grep -q '^mknmzOption=--use-kakasi -EHK --all' "$ini" || fail "no defaults in $ini"
# With the default settings the result file goes to the temporary folder:
# no cache folder is made for it.
[ ! -e "$home/cache/tavirel" ] || fail "a cache folder made that no result file uses"
# The second start reads the file the first one left: a value changed in it
# survives the start and the close.
sed -i 's/^ListCount=20/ListCount=50/' "$ini"
run_until "$prefix/bin/tavirel" "$home" "$ini"
grep -q '^ListCount=50' "$ini" || fail "the settings did not survive a restart"
# A read-only settings file in the configuration folder is left as it is.
sed -i 's/^Sort=Score/Sort=Title/' "$ini"
chmod a-w "$ini"
cp -p "$ini" "$work/readonly-before.ini"
run_until "$prefix/bin/tavirel" "$home" "$ini"
cmp "$ini" "$work/readonly-before.ini" || fail "a read-only settings file was changed"
[ "$(ls -A "$home/config/tavirel")" = "tavirel.ini" ] || fail "files beside a read-only settings file"
chmod u+w "$ini"
after="$(listing "$prefix")"
[ "$before" = "$after" ] || { diff <(echo "$before") <(echo "$after") >&2; fail "files changed under the prefix"; }
[ -z "$(ls -A "$home" | grep -v -e '^config$' -e '^cache$' -e '^output.txt$' -e '^data$' || true)" ] \
  || { ls -A "$home" >&2; fail "unexpected files in the home folder"; }

# ---- portable mode ----------------------------------------------------------------
# A copy in a writable folder of its own keeps its settings beside itself and
# touches no user folder. It has no help pages beside it, so its first start
# shows a message about the missing start page, which the request to end
# answers before the window closes.
copy="$work/portable"
mkdir -p "$copy"
cp "$prefix/bin/tavirel" "$copy/tavirel"
chmod u+w "$copy/tavirel"
home="$work/portable-home"
run_until "$copy/tavirel" "$home" "$copy/tavirel.ini"
grep -q '^Sort=Score' "$copy/tavirel.ini" || fail "the portable copy did not save its settings"
[ ! -e "$home/config" ] && [ ! -e "$home/cache" ] || fail "the portable copy wrote into the user's folders"

# A settings file beside an installed executable makes it portable as well.
chmod -R u+w "$prefix"
cp "$copy/tavirel.ini" "$prefix/bin/tavirel.ini"
home="$work/portable-installed-home"
run_until "$prefix/bin/tavirel" "$home" "$prefix/bin/tavirel.ini"
[ ! -e "$home/config" ] || fail "an installed copy with its own settings file used the user's folders"
rm -f "$prefix/bin/tavirel.ini"
echo "install checks passed"
