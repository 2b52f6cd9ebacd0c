// Fontconfig keeps its caches until the process ends and never frees them; the
// leak checker is told so, so that a run under it reports only our own leaks.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
