#!/usr/bin/env bash
# Builds Arvale and starts it on FOLDER (default: a demo working folder under the checkout).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh

BUILD=build
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DARV_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j"$(nproc)"

FOLDER="${1:-}"
if [ -z "$FOLDER" ]; then
  FOLDER="$PWD/demo"
  if [ ! -d "$FOLDER" ]; then
    echo "Creo la cartella dimostrativa $FOLDER ..."
    "$BUILD/tools/arv-demo" "$FOLDER"
  fi
fi

if [ -z "${QT_QPA_PLATFORM:-}" ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Nessuno schermo disponibile (DISPLAY non impostato)."
  echo "No display available. Start it with a virtual one, for example:"
  echo "  QT_QPA_PLATFORM=vnc ./run.sh $*      (then connect a VNC viewer to port 5900)"
  echo "  QT_QPA_PLATFORM=offscreen ./run.sh $*"
  exit 1
fi
exec "$BUILD/src/app/arvale" "$FOLDER"
