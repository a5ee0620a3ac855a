#include <cstdio>

int main() {
    std::printf("Updater (Version: 2.12.0 Dec  4 2025)\n");
    return 0;
}
