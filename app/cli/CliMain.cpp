#include <cstdio>
int main() { std::puts("tremax-cli"); return 0; }
