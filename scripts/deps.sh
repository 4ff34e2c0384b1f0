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
  libxml2-dev
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

# npm fetches the electronic invoice's schema below (Node.js packages that bundle it count too).
if ! command -v npm >/dev/null 2>&1; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends npm
fi

# The FatturaPA 1.2.1 schema and the XML-signature schema it imports, installed once outside the
# repository (never committed) where the build finds them: the electronic invoices are validated
# against them, offline. Licences beside them: EUPL-1.2 (schema package), the W3C's (signature).
FATTURAPA_DIR="${ARV_FATTURAPA_DIR:-/usr/local/share/arvale/fatturapa}"
if [ ! -f "$FATTURAPA_DIR/Schema_1.2.1.xsd" ] || [ ! -f "$FATTURAPA_DIR/xmldsig-core-schema.xsd" ]; then
  echo "Installing the FatturaPA schema into $FATTURAPA_DIR"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  (cd "$work" && npm pack --silent @digitalia/fatturapa@1.3.1 >/dev/null)
  tar -xzf "$work"/digitalia-fatturapa-1.3.1.tgz -C "$work" package/src/schemas/Schema_1.2.1.xsd package/LICENSE
  if ! (cd "$work" && apt-get download python3-pysaml2 >/dev/null 2>&1); then
    $SUDO apt-get update -qq
    (cd "$work" && apt-get download python3-pysaml2 >/dev/null)
  fi
  dpkg-deb -x "$work"/python3-pysaml2_*.deb "$work/pysaml2"
  dsig="$(find "$work/pysaml2" -path '*saml2/data/schemas/xmldsig-core-schema.xsd' | head -n 1)"
  $SUDO mkdir -p "$FATTURAPA_DIR"
  $SUDO install -m 644 "$work/package/src/schemas/Schema_1.2.1.xsd" "$FATTURAPA_DIR/Schema_1.2.1.xsd"
  $SUDO install -m 644 "$work/package/LICENSE" "$FATTURAPA_DIR/LICENSE.fatturapa"
  $SUDO install -m 644 "$work/pysaml2/usr/share/doc/python3-pysaml2/copyright" "$FATTURAPA_DIR/COPYRIGHT.pysaml2"
  $SUDO install -m 644 "$dsig" "$FATTURAPA_DIR/xmldsig-core-schema.xsd"
fi
