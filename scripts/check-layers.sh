#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a source file includes across the layering: solver/ stands alone; field_io/ builds
# on the solver only; session/ on both, without Qt; qt_io/ adds Qt's Gui module but no widgets;
# tools/ and app/ are front ends that include no each other; bench/ and tests/ may use anything.
set -euo pipefail
cd "$(dirname "$0")/.."

# layer: extended regular expression of the includes it must not have.
declare -A forbidden=(
  [solver]='"(field_io|session|qt_io|app|tools|bench|tests)/|<Q'
  [field_io]='"(session|qt_io|app|tools|bench|tests)/|<Q'
  [session]='"(qt_io|app|tools|bench|tests)/|<Q'
  [qt_io]='"(session|app|tools|bench|tests)/|<Qt?Widgets|<QWidget|<QApplication'
  [tools]='"(app|bench|tests)/|<Qt?Widgets|<QWidget|<QApplication'
  [app]='"(tools|bench|tests)/'
)

status=0
for layer in "${!forbidden[@]}"; do
  [ -d "$layer" ] || continue
  if hits=$(grep -rnE --include='*.h' --include='*.cpp' "^[[:space:]]*#[[:space:]]*include[[:space:]]*(${forbidden[$layer]})" "$layer"); then
    echo "layering: $layer/ includes what it must not:" >&2
    echo "$hits" >&2
    status=1
  fi
done
exit $status
