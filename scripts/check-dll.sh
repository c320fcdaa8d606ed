#!/usr/bin/env bash
# Static checks of KestrelFSX.dll, which cannot be loaded on this machine: file type,
# exports, imports, the SimConnect binding (undecorated names, manifest), the resources
# the module loads by id, and that platform/SimConnect.def agrees with the
# declarations in platform/simconnect.h.
# Usage: scripts/check-dll.sh BUILD_DIR   (the mingw build folder, e.g. build/mingw)
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
DLL="$1/KestrelFSX.dll"
PREFIX=i686-w64-mingw32

failures=0
pass() { echo "  ok: $*"; }
fail() {
    echo "  FAILED: $*"
    failures=$((failures + 1))
}

tool() {
    local name
    for name in "$PREFIX-$1-win32" "$PREFIX-$1"; do
        if command -v "$name" >/dev/null 2>&1; then
            echo "$name"
            return 0
        fi
    done
    echo "error: $PREFIX-$1 not found (install binutils-mingw-w64-i686 and g++-mingw-w64-i686)" >&2
    exit 2
}
OBJDUMP=$(tool objdump)
NM=$(tool nm)
WINDRES=$(tool windres)
CXX=$(tool g++)

if [ ! -f "$DLL" ]; then
    echo "error: $DLL not found; build the mingw preset first" >&2
    exit 1
fi
echo "Checking $DLL"
HEADERS=$("$OBJDUMP" -p "$DLL")

# --- File type: a 32-bit x86 PE DLL -------------------------------------------------
if grep -q 'file format pei-i386' <<<"$HEADERS" && grep -Eq '^Magic[[:space:]]+010b' <<<"$HEADERS"; then
    pass "PE32 image for i386"
else
    fail "not a PE32 i386 image: $(grep -m1 'file format' <<<"$HEADERS")"
fi
characteristics=$(awk '/^Characteristics/ { print $2; exit }' <<<"$HEADERS")
if [ -n "$characteristics" ] && (( characteristics & 0x2000 )); then
    pass "DLL flag set (characteristics $characteristics)"
else
    fail "DLL flag not set (characteristics ${characteristics:-missing})"
fi
entry=$(awk '/^AddressOfEntryPoint/ { print $2; exit }' <<<"$HEADERS")
if [ -n "$entry" ] && (( 16#$entry != 0 )); then
    pass "entry point at RVA 0x$entry"
else
    fail "no entry point"
fi
# The runtime's start-up code calls DllMain; it must be ours (which hands over to
# ModuleAttach), not the runtime's empty default. Only checkable while symbols remain.
SYMBOLS=$("$NM" "$DLL" 2>/dev/null || true)
if [ -n "$SYMBOLS" ]; then
    if grep -Eq ' T _ModuleAttach@12$' <<<"$SYMBOLS"; then
        pass "ModuleAttach is linked in (reached through DllMain)"
    else
        fail "ModuleAttach is not in the DLL: the loader would never call the module's entry point"
    fi
fi

# --- Exports: exactly the module contract --------------------------------------------
exports=$(awk '/\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
               on && /^[[:space:]]*$/ { on = 0 }
               on { print $NF }' <<<"$HEADERS" | sort)
expected_exports=$(printf '%s\n' DLLStart DLLStop Panels | sort)
if [ "$exports" = "$expected_exports" ]; then
    pass "exports exactly: $(echo $exports)"
else
    fail "exports are [$(echo $exports)], expected exactly [$(echo $expected_exports)]"
fi

# --- Imports: system DLLs, the C runtime and SimConnect.dll only ---------------------
imports=$(awk '/DLL Name:/ { dll = $3; print "DLL", dll; on = 1; next }
               on && /vma:/ { next }
               on && /^[[:space:]]*$/ { on = 0; next }
               on { print "FN", dll, $NF }' <<<"$HEADERS")
import_dlls=$(awk '$1 == "DLL" { print $2 }' <<<"$imports")
for dll in $import_dlls; do
    case "${dll,,}" in
        kernel32.dll | user32.dll | comctl32.dll | comdlg32.dll | version.dll | msvcrt.dll | api-ms-win-crt-*.dll | simconnect.dll)
            pass "imports from $dll" ;;
        *)
            fail "imports from $dll, which the simulator's machine need not have" ;;
    esac
done

# SimConnect.dll exports plain names; every import must be one of them, by name.
DEF="$ROOT/platform/SimConnect.def"
def_entries=$(awk '/^[[:space:]]*SimConnect_[A-Za-z0-9_]+@[0-9]+/ { print $1 }' "$DEF" | sort)
def_names=$(sed 's/@.*//' <<<"$def_entries")
simconnect_imports=$(awk '$1 == "FN" && tolower($2) == "simconnect.dll" { print $3 }' <<<"$imports" | sort)
if [ -z "$simconnect_imports" ]; then
    fail "no imports from SimConnect.dll"
fi
bad_imports=0
for name in $simconnect_imports; do
    if [[ "$name" == *@* ]]; then
        fail "SimConnect import $name is decorated; SimConnect.dll exports undecorated names"
        bad_imports=1
    elif ! grep -qx "$name" <<<"$def_names"; then
        fail "SimConnect import $name is not in platform/SimConnect.def"
        bad_imports=1
    fi
done
if [ -n "$simconnect_imports" ] && [ $bad_imports -eq 0 ]; then
    pass "$(wc -w <<<"$simconnect_imports") SimConnect imports, all undecorated names from SimConnect.def"
fi

# --- The side-by-side manifest that binds SimConnect.dll -----------------------------
resources=$("$WINDRES" -J coff -i "$DLL" -O rc 2>/dev/null || true)
# windres prints the manifest as quoted string pieces; join them back into the text.
manifest=$(awk '/^2 24 / { on = 1; next } on && /^END/ { exit } on && /^[[:space:]]*"/' <<<"$resources" |
    sed 's/^[[:space:]]*"//; s/"[[:space:]]*$//; s/""/"/g; s/\\n$//' | tr -d '\n')
if [ -z "$manifest" ]; then
    fail "no manifest resource with id 2 (RT_MANIFEST)"
else
    missing_attributes=0
    for attribute in 'name="Microsoft.FlightSimulator.SimConnect"' 'version="10.0.61259.0"' \
        'processorArchitecture="x86"' 'publicKeyToken="67c7c14424d61b5b"' 'type="win32"'; do
        if ! grep -qF "$attribute" <<<"$manifest"; then
            fail "manifest lacks $attribute"
            missing_attributes=1
        fi
    done
    if [ $missing_attributes -eq 0 ]; then
        pass "manifest (id 2) binds Microsoft.FlightSimulator.SimConnect 10.0.61259.0 x86"
    fi
fi
# The dialogs and the control window's icons that the module loads by id.
missing_resources=""
for id in 101 102 103 131 132; do
    grep -Eq "^$id DIALOGEX( |\$)" <<<"$resources" || missing_resources+=" dialog $id"
done
for id in $(seq 118 130); do
    grep -Eq "^$id 14( |\$)" <<<"$resources" || missing_resources+=" icon $id"
done
if [ -z "$missing_resources" ]; then
    pass "dialogs 101, 102, 103, 131, 132 and icons 118 to 130 present"
else
    fail "resources missing:$missing_resources"
fi
if grep -q 'VALUE "OriginalFilename", "KestrelFSX.dll"' <<<"$resources"; then
    pass "version block present"
else
    fail "no version block naming KestrelFSX.dll"
fi
# The build's one version number (CMakeLists.txt's project VERSION) in all four places.
if [ -f "$1/version.txt" ]; then
    IFS=. read -r major minor patch tweak <"$1/version.txt"
    numbers="${major:-0}, ${minor:-0}, ${patch:-0}, ${tweak:-0}"
    text="${major:-0}.${minor:-0}.${patch:-0}.${tweak:-0}"
    if grep -q "^ FILEVERSION $numbers\$" <<<"$resources" && grep -q "^ PRODUCTVERSION $numbers\$" <<<"$resources" &&
        grep -q "VALUE \"FileVersion\", \"$text\"" <<<"$resources" &&
        grep -q "VALUE \"ProductVersion\", \"$text\"" <<<"$resources"; then
        pass "version block says $text, the build's version"
    else
        fail "version block does not say $text, the build's version"
    fi
fi

# --- SimConnect.def against platform/simconnect.h ------------------------------------
# Compile a reference to every declared SimConnect function for i686 and read the
# decorated names the compiler asks for: each must be in the .def with the same
# argument size, or the import library would resolve it to the wrong stack size.
declared=$(grep -oE 'SIMCONNECTAPI[[:space:]]+SimConnect_[A-Za-z0-9_]+' "$ROOT/platform/simconnect.h" | awk '{ print $2 }')
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
{
    echo '#include "platform/simconnect.h"'
    echo 'extern void* const KestrelSimConnectUses[] = {'
    for name in $declared; do echo "    (void*)&$name,"; done
    echo '};'
} >"$scratch/uses.cpp"
if "$CXX" -std=c++17 -w -I "$ROOT" -c "$scratch/uses.cpp" -o "$scratch/uses.o" 2>"$scratch/errors"; then
    compiled=$("$NM" -u "$scratch/uses.o" | awk '{ print $2 }' | sed -n 's/^_\(SimConnect_.*@[0-9]*\)$/\1/p' | sort)
    if [ "$compiled" = "$def_entries" ]; then
        pass "SimConnect.def matches the $(wc -w <<<"$compiled") functions of simconnect.h (argument sizes too)"
    else
        fail "SimConnect.def and simconnect.h disagree (< header, > .def):"
        diff <(echo "$compiled") <(echo "$def_entries") | grep '^[<>]' | sed 's/^/    /' || true
    fi
else
    fail "platform/simconnect.h does not compile for i686:"
    sed 's/^/    /' "$scratch/errors"
fi

if [ $failures -ne 0 ]; then
    echo "$DLL: $failures check(s) failed" >&2
    exit 1
fi
echo "$DLL: all checks passed"
