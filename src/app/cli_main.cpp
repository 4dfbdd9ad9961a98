#include <cstdio>

int main() {
    std::fputs("usage: pattaplex-cli COMMAND ...\n", stderr);
    return 1;
}
