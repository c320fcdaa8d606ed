# Shared by demo.sh and test.sh (sourced, not run): the repository root, the Debian
# packages each build needs, installing the missing ones, and running named steps.

KESTREL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# The linux preset: the module in the virtual simulator, the tests and the benchmarks.
LINUX_PACKAGES=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev)
# The mingw preset: KestrelFSX.dll, cross-compiled for 32-bit Windows.
MINGW_PACKAGES=(g++-mingw-w64-i686 binutils-mingw-w64-i686)

# Installs those of the given Debian packages that are not installed yet; does not
# touch apt at all when everything is there already.
ensure_packages() {
    local missing=() package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi

    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo=(sudo)
        else
            echo "error: these packages are missing and installing them needs root: ${missing[*]}" >&2
            return 1
        fi
    fi
    if ! command -v apt-get >/dev/null 2>&1; then
        echo "error: apt-get not found; install these packages by hand: ${missing[*]}" >&2
        return 1
    fi

    echo "==> Installing ${missing[*]}"
    if [ -z "${KESTREL_APT_UPDATED:-}" ]; then
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q || return 1
        KESTREL_APT_UPDATED=1
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q --no-install-recommends "${missing[@]}" || return 1
}

# run_step DESCRIPTION COMMAND...: runs the command and stops the script with a
# message naming the step when it fails.
run_step() {
    local description="$1"
    shift
    echo "==> $description"
    local status=0
    "$@" || status=$?
    if [ $status -ne 0 ]; then
        echo "FAILED: $description (exit status $status)" >&2
        exit $status
    fi
}
