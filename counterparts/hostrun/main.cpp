#include <cstdio>
int wmain() { std::printf("placeholder\n"); return 0; }
