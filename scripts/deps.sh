#!/usr/bin/env bash
# Installs the Debian packages Arvale needs to build, run and test, when they are missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl-dev
  libsimpleini-dev libminizip-dev zlib1g-dev libcurl4-openssl-dev libxlsxwriter-dev libpugixml-dev
  fonts-liberation2
  python3 python3-dbfread python3-aiosmtpd poppler-utils
)

# Further packages a script needs (scripts/fuzz.sh: clang and its fuzzer runtime) come as arguments.
PACKAGES+=("$@")

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
