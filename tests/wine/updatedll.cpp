// An update library as the launcher meets it on Windows: EXPORT_DATA keeps the contract (a
// data item holding the entry's address), EXPORT_FUNCTION exports the entry itself.
extern "C" {
static void entry(int, char **, void *) {}

#if defined(EXPORT_DATA)
__declspec(dllexport) void (*updatemanager)(int, char **, void *) = entry;
#else
__declspec(dllexport) void updatemanager(int argc, char **argv, void *result)
{
    entry(argc, argv, result);
}
#endif
}
