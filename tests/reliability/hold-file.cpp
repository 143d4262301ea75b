// Holds a file open as another program does until it is ended, sharing nothing, or with "shares" as a
// reader that shares everything: hold-file <file> [shares]. Ends with 1 when the file cannot be opened.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2 || argc > 3) {
        return 2;
    }
    const DWORD sharing = argc == 3 ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : 0;
    // The test's probe for the hold opens the file a moment, sharing nothing: that is waited for.
    for (;;) {
        if (CreateFileW(argv[1], GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr) != INVALID_HANDLE_VALUE) {
            Sleep(INFINITE);
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION) {
            return 1;
        }
        Sleep(5);
    }
}
