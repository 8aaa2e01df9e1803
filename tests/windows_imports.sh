#!/usr/bin/env bash
# The Windows executables run on a bare Windows: they may import only the system's own DLLs,
# none of the compiler's runtime (libstdc++, libgcc, winpthread).
# Usage: windows_imports.sh OBJDUMP EXE...
set -uo pipefail
objdump=$1
shift
status=0
for exe in "$@"; do
    imports=$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
    for dll in $imports; do
        case "$dll" in
        kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | comdlg32.dll | shell32.dll | \
            version.dll | advapi32.dll | shlwapi.dll | msvcrt.dll | ole32.dll) ;;
        *)
            echo "FAIL: $(basename "$exe") imports $dll"
            status=1
            ;;
        esac
    done
    echo "$(basename "$exe"): $(echo $imports)"
done
exit $status
