#!/bin/sh
# Checks the layering of src/: a folder includes only from its own layer and
# the layers below it, so the folders include each other without a cycle.
# Lowest first; mirt-tool (src/tool) and main.cpp sit on top.
#   usage: tools/check_layers.sh [SRC_DIR]
set -eu
src=${1:-$(dirname "$0")/../src}
order="common platform script vars save sound graphics text shell tool"

rank() {
  i=0
  for l in $order; do
    [ "$l" = "$1" ] && { echo $i; return; }
    i=$((i + 1))
  done
  echo -1
}

bad=0
for dir in $order; do
  r=$(rank "$dir")
  # Every quoted include of a src/ folder in the files of this one.
  for hit in $(grep -rnoE '^#include "[a-z]+/' "$src/$dir" --include='*.h' --include='*.cpp' \
      | sed -E 's|^[^:]*/src/||; s|#include "||; s|/$||'); do
    file=${hit%%:*}
    to=${hit##*:}
    t=$(rank "$to")
    if [ "$t" -lt 0 ] || [ "$t" -gt "$r" ] || { [ "$to" = shell ] && [ "$dir" != shell ]; }; then
      echo "layer violation: $file includes $to/ (order: $order)" >&2
      bad=1
    fi
  done
done
[ $bad -eq 0 ] && echo "layers ok: $order"
exit $bad
