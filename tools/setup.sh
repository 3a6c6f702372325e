# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by tools/run and tools/test: install what is missing, then configure and build.
# Sourced, not run.

sorvel_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

sorvel_install_packages() {
  local wanted missing=() pkg
  wanted=$(grep -v -E '^\s*(#|$)' "$sorvel_root/tools/packages.txt")
  for pkg in $wanted; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing Debian packages: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# sorvel_build DIR [cmake options...]
sorvel_build() {
  local dir=$1
  shift
  cmake -S "$sorvel_root" -B "$sorvel_root/$dir" -G Ninja -DSORVEL_WERROR=ON "$@" >/dev/null
  cmake --build "$sorvel_root/$dir"
}
