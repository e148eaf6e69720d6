#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a C++ source is not formatted as .clang-format says. Checks the sources changed
# since the branch left main (all of them with --all, or where there is no main to compare
# with).
set -euo pipefail
cd "$(dirname "$0")/.."
clang_format=${CLANG_FORMAT:-clang-format}

mapfile -t files < <(
  if [ "${1:-}" != "--all" ] && base=$(git merge-base HEAD main 2>/dev/null); then
    git diff --name-only --diff-filter=d "$base" -- '*.cpp' '*.h'
  else
    git ls-files '*.cpp' '*.h'
  fi || true)
[ ${#files[@]} -eq 0 ] && exit 0
"$clang_format" --dry-run --Werror "${files[@]}"
