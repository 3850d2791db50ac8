// Two small libraries: one that the other needs beside it, as the update library needs the
// shared Qt shipped in its folder.
#ifdef BESIDE_DEPENDENCY
extern "C" __declspec(dllexport) int besideValue()
{
    return 42;
}
#else
extern "C" __declspec(dllimport) int besideValue();
extern "C" __declspec(dllexport) int besideUse()
{
    return besideValue();
}
#endif
