#include <cstdio>

int main() {
    std::fputs("usage: qmftool dump|upgrade|check FILE ...\n", stderr);
    return 2;
}
