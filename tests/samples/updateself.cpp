// A stand-in self-updater: notes the command line it was given in updateSelf.log beside
// itself, and ends.
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <climits>
#include <cstdlib>
#include <unistd.h>
#endif

int main(int argc, char *argv[])
{
#ifdef _WIN32
    wchar_t self[MAX_PATH * 4] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
    std::wstring folder(self);
    folder = folder.substr(0, folder.find_last_of(L"\\/"));
    FILE *log = _wfopen((folder + L"\\updateSelf.log").c_str(), L"ab");
    if (!log)
        return 1;
    const std::wstring line = GetCommandLineW();
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, utf8.data(), size, nullptr, nullptr);
    std::fprintf(log, "%s\n", utf8.c_str());
    (void)argc;
    (void)argv;
#else
    char self[PATH_MAX] = {};
    if (readlink("/proc/self/exe", self, sizeof(self) - 1) < 0)
        return 1;
    std::string folder(self);
    folder = folder.substr(0, folder.rfind('/'));
    FILE *log = std::fopen((folder + "/updateSelf.log").c_str(), "ab");
    if (!log)
        return 1;
    // The words as Windows' rules split them; joined by blanks they give the path back.
    std::string line;
    for (int i = 1; i < argc; ++i)
        line += (i > 1 ? " " : "") + std::string(argv[i]);
    std::fprintf(log, "%s\n", line.c_str());
#endif
    std::fclose(log);
    return 0;
}
