#!/usr/bin/env bash
# The README's test command: installs what is missing, builds both presets (the linux
# build with the virtual simulator and KestrelFSX.dll for Windows), runs every test
# with CTest and checks the DLL's exports and imports. Exits non-zero on any failure.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$KESTREL_ROOT"

run_step "Checking the packages the builds need" ensure_packages "${LINUX_PACKAGES[@]}" "${MINGW_PACKAGES[@]}"

run_step "Configuring the linux build" cmake --preset linux
run_step "Building the linux build" cmake --build --preset linux -j 2
run_step "Configuring the mingw build" cmake --preset mingw
run_step "Building KestrelFSX.dll" cmake --build --preset mingw -j 2

# A test run that finds no tests is a broken build, not a pass.
run_step "Running the tests" ctest --preset linux -j 2 --output-on-failure --no-tests=error
run_step "Checking KestrelFSX.dll" scripts/check-dll.sh build/mingw

echo "==> All builds, tests and DLL checks passed."
