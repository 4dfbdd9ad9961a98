#include <cstdio>

int main() {
    std::puts("Pattaplex drum machine");
    return 0;
}
