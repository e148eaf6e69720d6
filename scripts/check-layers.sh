#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a source file includes across the layering: solver/ stands alone; field_io/ builds
# on the solver only; session/ on both, without Qt; messages/ (English wording) on field_io/ and
# the solver; qt_io/ adds Qt's Gui module but no widgets; tools/, python/ and app/ are front ends
# that include no each other; bench/ and tests/ may use anything.
set -euo pipefail
cd "$(dirname "$0")/.."

# layer: extended regular expression of the includes it must not have.
declare -A forbidden=(
  [solver]='"(field_io|session|messages|qt_io|app|tools|python|bench|tests)/|<Q'
  [field_io]='"(session|messages|qt_io|app|tools|python|bench|tests)/|<Q'
  [session]='"(messages|qt_io|app|tools|python|bench|tests)/|<Q'
  [messages]='"(session|qt_io|app|tools|python|bench|tests)/|<Q'
  [qt_io]='"(session|messages|app|tools|python|bench|tests)/|<Qt?Widgets|<QWidget|<QApplication'
  [tools]='"(app|python|bench|tests)/|<Qt?Widgets|<QWidget|<QApplication'
  [python]='"(app|tools|bench|tests)/|<Qt?Widgets|<QWidget|<QApplication'
  [app]='"(tools|python|bench|tests)/'
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
