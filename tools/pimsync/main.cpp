#include <cstdio>

int main() {
  std::fputs("pimsync: no commands yet\n", stderr);
  return 2;
}
