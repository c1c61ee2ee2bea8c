// fontconfig keeps the memory of its first set-up for the life of the
// process; LeakSanitizer would report it at the end of every run of a target
// that draws text. Each fuzz target is one program of one source, so a
// target includes this once.
#pragma once

extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
