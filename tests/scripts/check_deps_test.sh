#!/usr/bin/env bash
# The dependency check passes on this build, and fails naming the package and a file of it when
# a package the build needs is taken out of install-deps.sh's list.
#   check_deps_test.sh BUILD_DIR
set -uo pipefail
check="$(dirname "$0")/../../scripts/check-deps.sh"
build=$1

if ! out=$("$check" --no-link "$build"); then
    printf '%s\n' "$out"
    echo "FAIL: the check fails with the full package list"
    exit 1
fi
out=$("$check" --no-link --without libqt6opengl6-dev "$build")
status=$?
if [ "$status" -ne 1 ] ||
    ! grep -q '^missing package: libqt6opengl6-dev .*/cmake/Qt6OpenGL/' <<<"$out"; then
    printf '%s\n' "$out"
    echo "FAIL: without libqt6opengl6-dev the check exits $status and does not name it"
    exit 1
fi
echo "check-deps: passes with the list, names libqt6opengl6-dev when it is dropped"
