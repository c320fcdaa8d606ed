#!/usr/bin/env bash
# The README's main command: installs what the linux build needs, builds kestrel-host
# and runs it, by default on its built-in demo session in the virtual simulator.
# Any arguments are passed on to kestrel-host.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$KESTREL_ROOT"

run_step "Checking the packages the linux build needs" ensure_packages "${LINUX_PACKAGES[@]}"
run_step "Configuring the linux build" cmake --preset linux
run_step "Building kestrel-host" cmake --build --preset linux -j 2 --target kestrel-host

echo "==> Running kestrel-host $*"
exec build/linux/kestrel-host "$@"
