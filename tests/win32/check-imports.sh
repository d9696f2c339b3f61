#!/usr/bin/env bash
# Checks that a Windows executable imports only DLLs that every Windows installation has, so the
# one static file runs anywhere without a runtime installed beside it, and from them no function
# that Windows 7 SP1 / Server 2008 R2 lacks: the program must start there. Newer functions are
# looked up at run time (GetProcAddress) with a fallback.
#
#   tests/win32/check-imports.sh EXE [EXTRA_DLL...]
#
# Allowed: KERNEL32, USER32, GDI32, ADVAPI32, ole32, OLEAUT32, COMCTL32 (tool tips), msvcrt
# (compared without regard to case), plus any EXTRA_DLL given. Universal-CRT forwarders (api-ms-win-crt-*, ucrtbase) and
# compiler runtimes (libstdc++, libgcc, libwinpthread) are refused: the C runtime is msvcrt and
# everything else is linked statically. Prints the imports; exits 1 on a foreign DLL or a function
# newer than Windows 7 SP1, 2 on usage.
set -u
exe=${1:?usage: check-imports.sh EXE [EXTRA_DLL...]}
shift
[[ -f "$exe" ]] || { echo "check-imports: no file $exe" >&2; exit 2; }
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}

allowed=(kernel32.dll user32.dll gdi32.dll advapi32.dll ole32.dll oleaut32.dll comctl32.dll msvcrt.dll)
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

# Functions of the allowed DLLs that Windows 7 SP1 does not have. Source: the "Minimum supported
# client" line of each function's page in the Windows API reference (Windows 8, 8.1, 10 or 11;
# functions that an optional Windows 7 update adds, such as SetDefaultDllDirectories, count as
# missing). Not every newer function is here, only those a program like this one could reach for:
# DPI, pointer input, threads and time, memory, packages, and the newer COM and security calls.
newer_than_windows7='
user32 AdjustWindowRectExForDpi
user32 AreDpiAwarenessContextsEqual
user32 EnableMouseInPointer
user32 EnableNonClientDpiScaling
user32 GetAwarenessFromDpiAwarenessContext
user32 GetCIMSSM
user32 GetCurrentInputMessageSource
user32 GetDialogControlDpiChangeBehavior
user32 GetDialogDpiChangeBehavior
user32 GetDisplayAutoRotationPreferences
user32 GetDpiAwarenessContextForProcess
user32 GetDpiForSystem
user32 GetDpiForWindow
user32 GetDpiFromDpiAwarenessContext
user32 GetPointerDevice
user32 GetPointerDevices
user32 GetPointerFrameInfo
user32 GetPointerInfo
user32 GetPointerPenInfo
user32 GetPointerTouchInfo
user32 GetPointerType
user32 GetSystemDpiForProcess
user32 GetSystemMetricsForDpi
user32 GetThreadDpiAwarenessContext
user32 GetThreadDpiHostingBehavior
user32 GetUnpredictedMessagePos
user32 GetWindowDpiAwarenessContext
user32 GetWindowDpiHostingBehavior
user32 GetWindowFeedbackSetting
user32 InitializeTouchInjection
user32 InjectTouchInput
user32 IsImmersiveProcess
user32 IsMouseInPointerEnabled
user32 IsValidDpiAwarenessContext
user32 LogicalToPhysicalPointForPerMonitorDPI
user32 PhysicalToLogicalPointForPerMonitorDPI
user32 RegisterPointerDeviceNotifications
user32 RegisterPointerInputTarget
user32 RegisterTouchHitTestingWindow
user32 SetDialogControlDpiChangeBehavior
user32 SetDialogDpiChangeBehavior
user32 SetDisplayAutoRotationPreferences
user32 SetProcessDpiAwarenessContext
user32 SetThreadDpiAwarenessContext
user32 SetThreadDpiHostingBehavior
user32 SetWindowFeedbackSetting
user32 SkipPointerFrameMessages
user32 SystemParametersInfoForDpi
user32 UnregisterPointerInputTarget
kernel32 AddDllDirectory
kernel32 ClosePseudoConsole
kernel32 CopyFile2
kernel32 CreateFile2
kernel32 CreateFileMappingFromApp
kernel32 CreatePseudoConsole
kernel32 DiscardVirtualMemory
kernel32 GetCurrentPackageFamilyName
kernel32 GetCurrentPackageFullName
kernel32 GetCurrentPackageId
kernel32 GetCurrentThreadStackLimits
kernel32 GetFirmwareType
kernel32 GetOverlappedResultEx
kernel32 GetPackageFamilyName
kernel32 GetPackageFullName
kernel32 GetProcessInformation
kernel32 GetProcessMitigationPolicy
kernel32 GetSystemCpuSetInformation
kernel32 GetSystemTimePreciseAsFileTime
kernel32 GetTempPath2A
kernel32 GetTempPath2W
kernel32 GetThreadDescription
kernel32 GetThreadInformation
kernel32 IsWow64Process2
kernel32 LoadPackagedLibrary
kernel32 MapViewOfFileFromApp
kernel32 OfferVirtualMemory
kernel32 PrefetchVirtualMemory
kernel32 QueryInterruptTime
kernel32 QueryInterruptTimePrecise
kernel32 QueryUnbiasedInterruptTimePrecise
kernel32 ReclaimVirtualMemory
kernel32 RemoveDllDirectory
kernel32 ResizePseudoConsole
kernel32 SetDefaultDllDirectories
kernel32 SetProcessInformation
kernel32 SetProcessMitigationPolicy
kernel32 SetThreadDescription
kernel32 SetThreadInformation
kernel32 SetThreadSelectedCpuSets
kernel32 VirtualAllocFromApp
advapi32 AddResourceAttributeAce
advapi32 AddScopedPolicyIDAce
advapi32 CheckTokenCapability
advapi32 CheckTokenMembershipEx
advapi32 EventSetInformation
advapi32 QueryServiceDynamicInformation
ole32 CoDecrementMTAUsage
ole32 CoIncrementMTAUsage
ole32 CoRegisterActivationFilter
ole32 CoWaitForMultipleObjects
ole32 RoGetAgileReference
'
declare -A newer=()
while read -r dll fn; do
  [[ -n "$dll" ]] && newer["$dll.dll $fn"]=1
done <<<"$newer_than_windows7"

status=0
# Imported functions, as "dll function" with the DLL name in lower case.
while read -r dll fn; do
  if [[ -n "${newer["$dll $fn"]:-}" ]]; then
    echo "NEWER    $dll $fn (not in Windows 7 SP1: look it up at run time)"
    status=1
  fi
done < <(awk '/DLL Name:/ { dll = tolower($3); next }
              /^\t[0-9a-f]+\t +[0-9]+ +[^ ]+$/ && dll != "" { print dll, $NF }' <<<"$dump")

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
echo "$(basename "$exe"): ${#imports[@]} imported DLLs, $([[ $status == 0 ]] && echo "all standard, nothing newer than Windows 7 SP1" || echo "some foreign or too new")"
exit $status
