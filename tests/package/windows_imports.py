#!/usr/bin/env python3
"""The import tables of Тавик's Windows programs, read back with objdump -p:
every DLL one Windows itself has, every entry point one that Windows 7 SP1
already had, the oldest Windows the programs support. What a newer Windows
added is bound at run time (GetProcAddress) with a fallback and must not
appear here; the newer entry points the programs know are listed too, so
that a direct call to one is named with the version it needs.

  windows_imports.py PROGRAM.exe...   (prints each import with its version; exit 1 on a fault)
"""
import subprocess
import sys

OLDEST = "7"
ORDER = ["XP", "Vista", "7", "8", "8.1", "10 1607", "10 1703"]

# The version that brought each entry point ("XP": that one or older).
XP = "XP"
SINCE = {
    "kernel32.dll": dict.fromkeys("""
        AddVectoredExceptionHandler CloseHandle CreateEventA CreateEventW CreateFileW CreateHardLinkW CreateSemaphoreA
        DeleteCriticalSection DeleteFileW DuplicateHandle EnterCriticalSection FileTimeToSystemTime FindFirstVolumeW
        FlushFileBuffers
        FindNextVolumeW FindVolumeClose FormatMessageA FormatMessageW FreeLibrary GetCommandLineW GetConsoleMode
        GetConsoleOutputCP GetCurrentDirectoryW GetCurrentProcess GetCurrentProcessId GetCurrentThread
        GetCurrentThreadId GetDiskFreeSpaceExW GetFileAttributesW GetFileInformationByHandle GetFileSizeEx GetFileType
        GetFullPathNameW GetHandleInformation GetVolumeInformationW GetLastError GetModuleFileNameW GetModuleHandleA
        GetModuleHandleExW GetModuleHandleW
        GetProcAddress GetProcessAffinityMask GetProcessTimes GetStartupInfoA GetStartupInfoW GetStdHandle
        GetSystemDirectoryW GetSystemTimeAdjustment GetSystemTimeAsFileTime GetTempPathW GetThreadContext
        GetThreadPriority GetThreadTimes InitializeCriticalSection IsDBCSLeadByteEx IsDebuggerPresent
        LeaveCriticalSection LoadLibraryExW LoadLibraryW LocalFree MoveFileExW MulDiv MultiByteToWideChar OpenProcess
        OutputDebugStringA QueryPerformanceCounter QueryPerformanceFrequency RaiseException ReleaseSemaphore
        RemoveDirectoryW RemoveVectoredExceptionHandler ResetEvent ResumeThread RtlCaptureContext
        RtlLookupFunctionEntry RtlUnwindEx RtlVirtualUnwind SetConsoleCtrlHandler SetConsoleOutputCP SetEndOfFile
        SetEvent SetFilePointer SetFilePointerEx SetLastError SetProcessAffinityMask SetSystemTime SetThreadContext
        SetThreadPriority SetUnhandledExceptionFilter Sleep SuspendThread TlsAlloc TlsGetValue TlsSetValue
        TryEnterCriticalSection VirtualProtect VirtualQuery WaitForMultipleObjects WaitForSingleObject
        WideCharToMultiByte WriteConsoleW WriteFile __C_specific_handler
        """.split(), XP) | {
        "CompareStringOrdinal": "Vista", "GetLocaleInfoEx": "Vista", "GetTickCount64": "Vista",
        "SetThreadErrorMode": "7",
    },
    "user32.dll": dict.fromkeys("""
        AdjustWindowRectEx BeginPaint CreateWindowExW DefWindowProcW DestroyIcon DestroyWindow DispatchMessageW
        DrawTextW EndPaint FillRect GetComboBoxInfo GetClientRect GetDC GetFocus GetMessageW GetSysColor GetSysColorBrush
        GetSystemMetrics GetWindowLongPtrW GetWindowRect GetWindowTextLengthW GetWindowTextW InvalidateRect IsChild
        IsDialogMessageW IsWindowVisible KillTimer LoadCursorW LoadIconW LoadImageW MapWindowPoints MessageBoxW
        MsgWaitForMultipleObjectsEx PeekMessageW PostMessageW PostQuitMessage RedrawWindow RegisterClassExW
        RegisterClassW ReleaseDC SendMessageW SetFocus SetTimer SetWindowLongPtrW SetWindowPos SetWindowTextW
        ShowWindow SystemParametersInfoW TranslateMessage UpdateWindow
        """.split(), XP) | {
        # Bound at run time (app/win32/dpi_scale.cpp).
        "AdjustWindowRectExForDpi": "10 1607", "GetAwarenessFromDpiAwarenessContext": "10 1607",
        "GetDpiForWindow": "10 1607", "GetSystemMetricsForDpi": "10 1607", "GetWindowDpiAwarenessContext": "10 1607",
        "AreDpiAwarenessContextsEqual": "10 1607", "SetProcessDpiAwarenessContext": "10 1703",
    },
    "gdi32.dll": dict.fromkeys("""
        BitBlt CreateCompatibleBitmap CreateCompatibleDC CreateFontW CreatePen CreateSolidBrush DeleteDC DeleteObject
        ExtCreatePen GetDeviceCaps GetStockObject GetTextExtentPoint32W GetTextMetricsW IntersectClipRect LineTo
        MoveToEx Polyline Rectangle SelectClipRgn SelectObject SetBkColor SetBkMode SetGraphicsMode SetTextColor
        SetWorldTransform
        """.split(), XP),
    "comctl32.dll": dict.fromkeys("DefSubclassProc InitCommonControlsEx RemoveWindowSubclass SetWindowSubclass".split(), XP),
    "oleacc.dll": {"CreateStdAccessibleObject": XP, "LresultFromObject": XP},
    "oleaut32.dll": {"SysAllocString": XP},
    "shell32.dll": {"CommandLineToArgvW": XP, "SHGetFolderPathW": XP, "SHGetKnownFolderPath": "Vista"},
    "ole32.dll": {"CoTaskMemFree": XP},
    "shcore.dll": {"GetDpiForMonitor": "8.1"},
    "ws2_32.dll": dict.fromkeys("""
        WSAAsyncSelect WSACleanup WSAGetLastError WSAIoctl WSAStartup accept bind closesocket getsockname htons ioctlsocket
        listen ntohs recv send setsockopt socket
        """.split(), XP) | {"WSAPoll": "Vista", "inet_ntop": "Vista"},
    # The system's C runtime: mingw-w64 links only what Windows XP's has.
    "msvcrt.dll": dict.fromkeys("""
        ___lc_codepage_func ___mb_cur_max_func __getmainargs _difftime64 _mktime64 _time64 getc islower isspace log10
        strtol strtoul tolower ungetc __initenv __iob_func __set_app_type __setusermatherr
        __wgetmainargs __winitenv _acmdln _amsg_exit _assert _beginthreadex _cexit _close _commode _endthreadex _errno
        _fdopen _fileno _findclose _fmode _fstat64 _get_osfhandle _gmtime64 _initterm _localtime64 _lock _lseeki64
        _onexit _read _setjmp _strdup _telli64 _ultoa _unlock _wchdir _wchmod _wcmdln _wfindfirst64 _wfindnext64
        _wfopen _wfullpath _wgetcwd _wmkdir _wopen _write _wstat64 _wutime64 abort calloc exit fclose fflush fopen
        fprintf fputc fputs fputwc free fwprintf fwrite getenv isalpha isupper iswctype isxdigit localeconv longjmp
        malloc memchr memcmp memcpy memmove memset printf realloc setlocale setvbuf signal strcmp strcoll strcpy
        strerror strftime strlen strncmp strxfrm toupper towlower towupper vfprintf wcscat wcscmp wcscoll wcscpy
        wcsftime wcslen wcsxfrm
        """.split(), XP),
}


def imports(program):
    """{dll: [entry point, ...]} from objdump -p's "The Import Tables" section."""
    listing = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", program], check=True, capture_output=True,
                             text=True).stdout
    tables, dll, in_tables = {}, None, False
    for line in listing.splitlines():
        if line.startswith("The Import Tables"):
            in_tables = True
        elif in_tables and line and not line[0].isspace():
            break  # the next section
        elif in_tables and line.strip().startswith("DLL Name:"):
            dll = line.split(":", 1)[1].strip().lower()
            tables[dll] = []
        elif in_tables and dll and line.startswith("\t"):
            # "\t<thunk>\t <hint>  <name>" or "\t<thunk>\t<ordinal>" (no name)
            fields = line.split()
            if len(fields) >= 2 and all(c in "0123456789abcdef" for c in fields[0]) and fields[0] != "vma:":
                tables[dll].append(fields[2] if len(fields) >= 3 else "#" + fields[1])
    if not tables:
        raise SystemExit(f"{program}: no import table in objdump's listing")
    return tables


def check(program):
    faults, listing = [], []
    for dll, names in sorted(imports(program).items()):
        known = SINCE.get(dll)
        if known is None:
            faults.append(f"{dll}: not a library of Windows itself")
            continue
        for name in names:
            since = known.get(name)
            if since is None:
                faults.append(f"{dll} {name}: not in the list (look up its minimum Windows and add it)")
            elif ORDER.index(since) > ORDER.index(OLDEST):
                faults.append(f"{dll} {name}: needs Windows {since}, newer than {OLDEST}: bind it at run time")
            else:
                listing.append(f"{program.rsplit('/', 1)[-1]}: {dll} {name} (Windows {since})")
    return faults, listing


if __name__ == "__main__":
    # The faults first: a caller that shows the output's head shows them.
    found = [(program, check(program)) for program in sys.argv[1:]]
    for program, (faults, _) in found:
        for fault in faults:
            print(f"{program.rsplit('/', 1)[-1]}: {fault}")
    for _, (_, listing) in found:
        print("\n".join(listing))
    sys.exit(0 if found and not any(faults for _, (faults, _) in found) else 1)
