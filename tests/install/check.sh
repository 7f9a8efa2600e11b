#!/usr/bin/env bash
# Installs a build into a temporary prefix and uses it as the users of each part do: a C
# program built through pkg-config, a CMake project through find_package, the library's
# SONAME and symbol versions, the manual page, the bash completion and the installed pimsync.
# Usage: tests/install/check.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
here=$(realpath "$(dirname "$0")")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "install check: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name 'libpimhandler.so.1.0.0' -print -quit)")
[ -f "$libdir/libpimhandler.so.1.0.0" ] || fail "libpimhandler.so.1.0.0 was not installed"
[ "$(readlink "$libdir/libpimhandler.so.1")" = libpimhandler.so.1.0.0 ] ||
  fail "libpimhandler.so.1 does not name libpimhandler.so.1.0.0"
[ "$(readlink "$libdir/libpimhandler.so")" = libpimhandler.so.1 ] ||
  fail "libpimhandler.so does not name libpimhandler.so.1"
[ -f "$prefix/include/pim_handler.h" ] || fail "pim_handler.h was not installed"

# Outputs are read whole before grep -q looks at them: with pipefail, grep leaving early
# would kill the writer with SIGPIPE and fail a check that holds.
dynamic=$(readelf -d "$libdir/libpimhandler.so.1.0.0")
grep -q 'Library soname: \[libpimhandler.so.1\]' <<<"$dynamic" ||
  fail "the SONAME is not libpimhandler.so.1"
# Every function the library exports carries the version node.
exported=$(readelf --dyn-syms -W "$libdir/libpimhandler.so.1.0.0" |
  awk '$5 == "GLOBAL" && $7 != "UND" && $4 == "FUNC" {print $8}')
[ -n "$exported" ] || fail "the library exports no function"
unversioned=$(echo "$exported" | grep -v '@@PIMHANDLER_1$' || true)
[ -z "$unversioned" ] || fail "exported without the PIMHANDLER_1 node: $unversioned"
versions=$(readelf -V "$libdir/libpimhandler.so.1.0.0")
grep -q 'Name: PIMHANDLER_1' <<<"$versions" ||
  fail "readelf -V shows no PIMHANDLER_1 node"

export PKG_CONFIG_PATH=$libdir/pkgconfig
mkdir "$work/c"
# shellcheck disable=SC2046
cc -std=c99 -Wall -Werror -o "$work/c/consumer" "$here/consumer.c" \
  $(pkg-config --cflags --libs pimhandler)
LD_LIBRARY_PATH=$libdir "$work/c/consumer" "$work/c/store.dat"

cmake -S "$here" -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake" >/dev/null
"$work/cmake/consumer" "$work/cmake/store.dat"

MANWIDTH=80 man -l "$prefix/share/man/man1/pimsync.1" >"$work/man.txt" 2>"$work/man.err"
[ ! -s "$work/man.err" ] || fail "man -l warns: $(cat "$work/man.err")"
grep -q 'pimsync verify' "$work/man.txt" || fail "the manual page lacks pimsync verify"

completed=$(bash -c "source /usr/share/bash-completion/bash_completion 2>/dev/null || true
  source '$prefix/share/bash-completion/completions/pimsync'
  COMP_WORDS=(pimsync sy); COMP_CWORD=1; _pimsync; echo \"\${COMPREPLY[*]}\"")
[ "$completed" = sync ] || fail "pimsync sy<TAB> completes to '$completed', not sync"

# The installed host finds the installed library by itself.
[ "$("$prefix/bin/pimsync" --version)" = 'pimsync 1.0.0' ] || fail "pimsync --version"
"$prefix/bin/pimsync" demo "$work/demo" >/dev/null || fail "the installed pimsync demo failed"
echo "install check: passed"
