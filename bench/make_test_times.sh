#!/usr/bin/env bash
# Times `make test` three ways, in clones of this repository's HEAD under a
# temporary folder and with a ccache of their own (CCACHE_DIR), so that
# neither the worktree's build folders nor an earlier cache count:
#   fresh-machine          first clone, empty cache
#   fresh-clone-warm-cache second clone, in another folder, same cache
#   nothing-changed        make test again in the second clone
# Prints the wall seconds of each and the load average before it; the logs
# stay in the temporary folder. Usage: bench/make_test_times.sh
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
export CCACHE_DIR=$work/ccache
echo "work folder: $work"
run() {
  local name=$1 dir=$2 start
  echo "$name: load $(cut -d' ' -f1-3 /proc/loadavg)"
  start=$(date +%s)
  if make -C "$dir" test >"$work/$name.log" 2>&1; then
    echo "$name: $(($(date +%s) - start)) s"
  else
    echo "$name: FAILED after $(($(date +%s) - start)) s, see $work/$name.log"
  fi
}
git clone -q "$src" "$work/a"
run fresh-machine "$work/a"
git clone -q "$src" "$work/b"
run fresh-clone-warm-cache "$work/b"
run nothing-changed "$work/b"
