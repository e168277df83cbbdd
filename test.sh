#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build,
# the Debian package made from it (installed, run and purged again), the core
# again under AddressSanitizer and UndefinedBehaviorSanitizer, and a short run
# of each fuzz target. Exits non-zero when anything fails.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

scripts/install-deps || exit 1
scripts/install-test-deps || exit 1
export CCACHE_BASEDIR="$PWD"
jobs=$(nproc)
failed=()

stage() {
    local name=$1
    shift
    echo "== $name"
    if ! "$@"; then
        failed+=("$name")
        return 1
    fi
}

build_and_test() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -Wno-dev "$@" >/dev/null &&
        cmake --build "$dir" -j "$jobs" &&
        (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

stage "build and tests" build_and_test build -DCMAKE_BUILD_TYPE=Release
stage "package" tests/package/test-deb --build-dir build
stage "sanitizers (core)" build_and_test build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
    -DCALLDESK_CORE_ONLY=ON -DCALLDESK_SANITIZE=ON
stage "fuzz targets" env CC=clang CXX=clang++ bash -c \
    'build_dir=build-fuzz; cmake -S . -B $build_dir -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALLDESK_FUZZ=ON >/dev/null &&
     cmake --build $build_dir -j '"$jobs"' && (cd $build_dir && ctest --output-on-failure)'

if ((${#failed[@]})); then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "all tests passed"
