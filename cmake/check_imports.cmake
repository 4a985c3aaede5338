# Fails when a Windows deliverable needs what a Windows XP desktop lacks: a
# DLL outside the system's own, or a kernel32/ws2_32/iphlpapi function that
# came with Vista or later.
#   cmake -DOBJDUMP=prog -DFILE=deliverable [-DEXPORTS=a;b] -P check_imports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${FILE} OUTPUT_VARIABLE _dump RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${FILE} failed")
endif()
set(_allowed advapi32 comctl32 comdlg32 crypt32 gdi32 iphlpapi kernel32 msvcrt ole32 oleaut32 rasapi32
    secur32 shell32 shlwapi urlmon user32 version winmm wininet winspool.drv wldap32 ws2_32 wsock32)
set(_vista GetTickCount64 InitializeSRWLock AcquireSRWLockExclusive AcquireSRWLockShared ReleaseSRWLockExclusive
    ReleaseSRWLockShared TryAcquireSRWLockExclusive InitializeConditionVariable SleepConditionVariableCS
    SleepConditionVariableSRW WakeConditionVariable WakeAllConditionVariable InitOnceExecuteOnce
    InitOnceBeginInitialize InitOnceComplete FlsAlloc FlsFree FlsGetValue FlsSetValue InitializeCriticalSectionEx
    CreateSymbolicLinkA CreateSymbolicLinkW GetFinalPathNameByHandleA GetFinalPathNameByHandleW
    GetFileInformationByHandleEx SetFileInformationByHandle CompareStringEx LCMapStringEx GetLocaleInfoEx
    GetUserDefaultLocaleName CancelIoEx CreateEventExA CreateEventExW CreateMutexExA CreateMutexExW
    CreateSemaphoreExW QueryFullProcessImageNameA QueryFullProcessImageNameW GetErrorMode WSAPoll inet_ntop
    inet_pton InetNtopW InetPtonW if_nametoindex if_indextoname GetIfTable2 GetIfEntry2 FreeMibTable
    ConvertInterfaceLuidToIndex)
string(REPLACE "\n" ";" _lines "${_dump}")
set(_dll "")
set(_bad "")
set(_names "")
foreach(_line IN LISTS _lines)
  if(_line MATCHES "DLL Name: (.+)$")
    string(TOLOWER "${CMAKE_MATCH_1}" _dll)
    string(REGEX REPLACE "\\.dll$" "" _dll "${_dll}")
    list(FIND _allowed "${_dll}" _at)
    if(_at EQUAL -1)
      list(APPEND _bad "${CMAKE_MATCH_1}")
    endif()
  elseif(_dll AND _line MATCHES "^\t[0-9a-f]+\t +[0-9]+ +([A-Za-z_][A-Za-z0-9_]*)$")
    list(FIND _vista "${CMAKE_MATCH_1}" _at)
    if(NOT _at EQUAL -1)
      list(APPEND _bad "${_dll}!${CMAKE_MATCH_1}")
    endif()
  elseif(_line MATCHES "^\t\\[ *[0-9]+\\] ([A-Za-z_][A-Za-z0-9_@]*)$")
    list(APPEND _names "${CMAKE_MATCH_1}")
  endif()
endforeach()
if(_bad)
  list(JOIN _bad ", " _bad)
  message(FATAL_ERROR "${FILE} would not load on Windows XP: it needs ${_bad}")
endif()
foreach(_name IN LISTS EXPORTS)
  list(FIND _names "${_name}" _at)
  if(_at EQUAL -1)
    message(FATAL_ERROR "${FILE} does not export ${_name}")
  endif()
endforeach()
