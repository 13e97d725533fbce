#include <cstdio>

int main() {
  std::puts("The editor's windows are not built yet; use scripts/run --batch.");
  return 0;
}
