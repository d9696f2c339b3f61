#!/usr/bin/env bash
# Checks that a Windows executable imports only DLLs that every Windows installation has, so the
# one static file runs anywhere without a runtime installed beside it.
#
#   tests/win32/check-imports.sh EXE [EXTRA_DLL...]
#
# Allowed: KERNEL32, USER32, GDI32, ADVAPI32, ole32, OLEAUT32, msvcrt (compared without regard to
# case), plus any EXTRA_DLL given. Universal-CRT forwarders (api-ms-win-crt-*, ucrtbase) and
# compiler runtimes (libstdc++, libgcc, libwinpthread) are refused: the C runtime is msvcrt and
# everything else is linked statically. Prints the imports; exits 1 on a foreign one, 2 on usage.
set -u
exe=${1:?usage: check-imports.sh EXE [EXTRA_DLL...]}
shift
[[ -f "$exe" ]] || { echo "check-imports: no file $exe" >&2; exit 2; }
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}

allowed=(kernel32.dll user32.dll gdi32.dll advapi32.dll ole32.dll oleaut32.dll msvcrt.dll)
for extra in "$@"; do allowed+=("${extra,,}"); done

if ! dump=$("$objdump" -p "$exe" 2>&1); then
  echo "check-imports: $objdump cannot read $exe: $dump" >&2
  exit 2
fi
mapfile -t imports < <(awk '/DLL Name:/ { print $3 }' <<<"$dump")
if [[ ${#imports[@]} -eq 0 ]]; then
  echo "check-imports: $exe has no import table" >&2
  exit 1
fi

status=0
for dll in "${imports[@]}"; do
  ok=no
  for a in "${allowed[@]}"; do [[ "${dll,,}" == "$a" ]] && ok=yes; done
  if [[ $ok == yes ]]; then
    echo "ok       $dll"
  else
    echo "FOREIGN  $dll"
    status=1
  fi
done
echo "$(basename "$exe"): ${#imports[@]} imported DLLs, $([[ $status == 0 ]] && echo "all standard" || echo "some foreign")"
exit $status
