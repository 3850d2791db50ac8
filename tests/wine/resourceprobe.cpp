// Reads its own resources back: the icon IDI_ICON1 (one 48 x 48, 32-bit image) and the
// version the build was given (as text and as numbers), and a manifest that runs it as the invoker.
// Exit status 0 when all are as they should be.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#pragma pack(push, 2)
struct IconDirectoryEntry
{
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct IconDirectory
{
    WORD reserved, type, count;
    IconDirectoryEntry entries[1];
};
#pragma pack(pop)

int wmain()
{
    HRSRC group = FindResourceW(nullptr, L"IDI_ICON1", MAKEINTRESOURCEW(14)); // RT_GROUP_ICON
    if (!group) {
        std::printf("no IDI_ICON1\n");
        return 1;
    }
    const auto *icons =
        static_cast<const IconDirectory *>(LockResource(LoadResource(nullptr, group)));
    if (icons->count != 1 || icons->entries[0].width != 48 || icons->entries[0].height != 48
        || icons->entries[0].bitCount != 32) {
        std::printf("icon: %u images, first %ux%u at %u bits\n", icons->count,
                    icons->entries[0].width, icons->entries[0].height, icons->entries[0].bitCount);
        return 1;
    }

    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    DWORD handle = 0;
    std::vector<char> info(GetFileVersionInfoSizeW(self, &handle));
    wchar_t *version = nullptr;
    UINT length = 0;
    if (info.empty() || !GetFileVersionInfoW(self, 0, static_cast<DWORD>(info.size()), info.data())
        || !VerQueryValueW(info.data(), L"\\StringFileInfo\\080404b0\\FileVersion",
                           reinterpret_cast<void **>(&version), &length)
        || lstrcmpW(version, VERSION) != 0) {
        std::printf("no version %ls\n", VERSION);
        return 1;
    }
    VS_FIXEDFILEINFO *numbers = nullptr;
    unsigned major = 0, minor = 0;
    std::swscanf(VERSION, L"%u.%u", &major, &minor);
    if (!VerQueryValueW(info.data(), L"\\", reinterpret_cast<void **>(&numbers), &length)
        || numbers->dwFileVersionMS != ((major << 16) | minor)
        || numbers->dwProductVersionMS != numbers->dwFileVersionMS) {
        std::printf("version numbers differ from %ls\n", VERSION);
        return 1;
    }

    HRSRC manifest =
        FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)); // RT_MANIFEST
    const std::string text =
        manifest
            ? std::string(static_cast<const char *>(LockResource(LoadResource(nullptr, manifest))),
                          SizeofResource(nullptr, manifest))
            : std::string();
    for (const char *needed :
         {"level=\"asInvoker\"", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", "PerMonitorV2"}) {
        if (text.find(needed) == std::string::npos) {
            std::printf("manifest lacks %s\n", needed);
            return 1;
        }
    }
    return 0;
}
