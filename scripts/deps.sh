#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, when any is missing.
# Runs apt-get only as root or through a password-less sudo; otherwise it says what is missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-translations-l10n  # Qt's own dialogs and buttons in Japanese
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev  # libFuzzer, for the macro reader fuzz test
  fonts-noto-cjk
  xvfb xauth xdotool
  fcitx5 fcitx5-mozc fcitx5-frontend-qt6 dbus-daemon dbus-bin  # the input method end-to-end test
  util-linux
  clang-format
  texlive-lang-japanese latexmk poppler-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
  sudo=(sudo -n)
else
  install="apt-get update && apt-get install -y --no-install-recommends ${missing[*]}"
  echo "Missing packages: ${missing[*]}" >&2
  echo "Install them, then run this again:" >&2
  echo "  sudo sh -c '$install'" >&2
  echo "or, without sudo, with the root password:" >&2
  echo "  su -c '$install'" >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq </dev/null
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
