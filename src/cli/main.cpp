#include <cstdio>

int main(int argc, char** argv) {
    (void)argc;
    (void)argv;
    std::fprintf(stderr, "usage: lcportable-cli COMMAND ...\n");
    return 2;
}
