// Holds a file open as another program does for a number of milliseconds, sharing nothing, or with
// "shares" as a reader that shares everything: hold-file <file> <milliseconds> [shares]. Ends with 1
// when the file cannot be opened.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3 || argc > 4) {
        return 2;
    }
    const DWORD sharing = argc == 4 ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : 0;
    // The test's own probe for the hold opens the file a moment, sharing nothing: that is waited for.
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 2000 && file == INVALID_HANDLE_VALUE; ++attempt) {
        file = CreateFileW(argv[1], GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_SHARING_VIOLATION) {
            return 1;
        }
        if (file == INVALID_HANDLE_VALUE) {
            Sleep(5);
        }
    }
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
    CloseHandle(file);
    return 0;
}
