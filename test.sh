#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, checks formatting and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
# TAV_JOBS sets how many compile jobs and tests run at once (default: every core).
JOBS=${TAV_JOBS:-$(nproc)}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j"$JOBS"

echo "Checking formatting..."
files=$(git ls-files -- '*.cpp' '*.h' 2>/dev/null || find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
if [ -n "$files" ]; then
    # shellcheck disable=SC2086
    clang-format --dry-run --Werror $files
fi

export QT_QPA_PLATFORM=offscreen
cd "$BUILD_DIR"
ctest --output-on-failure -j"$JOBS" --timeout 300
