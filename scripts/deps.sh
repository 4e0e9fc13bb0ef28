# Shared by scripts/test and scripts/demo: installs the Debian packages that the
# build, the tests and the demo need, where they are missing (desktop-file-utils
# and appstream validate the installed desktop files, dpkg-dev gives cpack the
# package's library dependencies), and compiles the
# Shift-JIS Japanese locale that the Namazu programs use for their messages.
# Sourced, not run.

TAVIREL_PACKAGES=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-base-private-dev qt6-translations-l10n libgl-dev
  namazu2 namazu2-index-tools libnkf-perl libtext-kakasi-perl nkf
  locales xvfb xauth fonts-noto-cjk
  desktop-file-utils appstream dpkg-dev
)
# scripts/screenshot also drives the window and saves the picture with these.
TAVIREL_SCREENSHOT_PACKAGES=(xdotool xclip imagemagick)

# Only for scripts/deb-check: a clean Debian system to install the package into.
TAVIREL_DEBCHECK_PACKAGES=(debootstrap)

# Only for scripts/fuzz: clang with libFuzzer and the sanitizer runtimes.
TAVIREL_FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)

tavirel_install_fuzz_packages() {
  local missing=()
  local pkg
  for pkg in "${TAVIREL_FUZZ_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' \
      || missing+=("$pkg")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
  fi
}

# Installs TAVIREL_PACKAGES and any packages named as arguments.
tavirel_install_packages() {
  local missing=()
  local pkg
  for pkg in "${TAVIREL_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' \
      || missing+=("$pkg")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
  fi
  # The Namazu programs write their Japanese messages in Shift-JIS only under a
  # ja_JP.SJIS locale. localedef warns that Shift-JIS is not ASCII-compatible and
  # exits non-zero, but writes the locale all the same; everything works without it.
  if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.sjis$'; then
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo localedef -i ja_JP -f SHIFT_JIS ja_JP.SJIS >/dev/null 2>&1 || true
    locale -a 2>/dev/null | grep -qi '^ja_JP\.sjis$' \
      || echo "Note: the ja_JP.SJIS locale could not be compiled; Namazu will write English headers."
  fi
}
