// Notes how it was started in recorded.txt beside itself: its command line exactly as
// Windows hands it over (UTF-8), and the window show state it was given.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain()
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder(self);
    folder = folder.substr(0, folder.find_last_of(L'\\'));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);

    const wchar_t *line = GetCommandLineW();
    const int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size > 0 ? size - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8.data(), size, nullptr, nullptr);

    const std::wstring temporary = folder + L"\\recorded.tmp";
    FILE *out = _wfopen(temporary.c_str(), L"wb");
    if (!out)
        return 1;
    const bool hidden = (startup.dwFlags & STARTF_USESHOWWINDOW) && startup.wShowWindow == SW_HIDE;
    std::fprintf(out, "%s\n%s\n", hidden ? "hidden" : "shown", utf8.c_str());
    std::fclose(out);
    // Whole or not at all, so the test never reads half a file.
    MoveFileExW(temporary.c_str(), (folder + L"\\recorded.txt").c_str(), MOVEFILE_REPLACE_EXISTING);
    return 0;
}
