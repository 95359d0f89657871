/* Runs the rest of its command line as an administrator who did not choose "Run as administrator":
   with the filtered token linked to its own elevated one (Wine starts every program elevated). Waits
   for it and ends with its exit code; 120 when it cannot start it.
     run_unelevated.exe program.exe [arguments...] */
#include <windows.h>
#include <wchar.h>

int wmain(void) {
    /* The command line after this program's own name, as it was given. */
    const wchar_t* rest = GetCommandLineW();
    int quoted = 0;
    for (; *rest && (quoted || (*rest != L' ' && *rest != L'\t')); ++rest)
        if (*rest == L'"') quoted = !quoted;
    while (*rest == L' ' || *rest == L'\t') ++rest;
    if (!*rest) return 120;
    wchar_t* command = _wcsdup(rest);

    HANDLE own = NULL;
    TOKEN_LINKED_TOKEN linked = {0};
    DWORD size = 0;
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own)) return 120;
    GetTokenInformation(own, TokenElevationType, &type, sizeof type, &size);
    STARTUPINFOW si = {sizeof si};
    PROCESS_INFORMATION pi = {0};
    BOOL started;
    if (type == TokenElevationTypeFull && GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size))
        started = CreateProcessAsUserW(linked.LinkedToken, NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi);
    else
        started = CreateProcessW(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi);
    if (!started) return 120;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 120;
    GetExitCodeProcess(pi.hProcess, &code);
    return (int)code;
}
