#include <cstdio>

int main() {
    std::fprintf(stderr, "mkvol: not built yet\n");
    return 2;
}
