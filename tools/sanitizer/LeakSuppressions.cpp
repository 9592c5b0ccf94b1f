// Linked into the sanitizer build's executables. Leaks are reported for our own code; these
// system libraries keep allocations for the life of the process on purpose.
// NOLINTNEXTLINE(bugprone-reserved-identifier): the name the sanitizer runtime looks for
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libdbus-1.so\n";
}
