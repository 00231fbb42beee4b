/* A library that exports something, but not the filter entry point. */
__declspec(dllexport) int NotTheFilter(void) {
    return 0;
}
