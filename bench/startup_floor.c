/* The floor for the program's start-up: a minimal C program that opens the
   file, reads 16 KiB and prints ten lines. The whole-program timing in the
   README compares Auslomat with this, side by side. */
#include <stdio.h>

int main(int argc, char** argv) {
  static char buffer[16384];
  FILE* f = argc > 1 ? fopen(argv[1], "rb") : NULL;
  size_t n = f != NULL ? fread(buffer, 1, sizeof buffer, f) : 0;
  if (f != NULL) fclose(f);
  for (int i = 0; i < 10; ++i) printf("line %d: %zu bytes\n", i, n);
  return 0;
}
