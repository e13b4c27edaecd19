#include <cstdio>

int main() {
    std::puts(" tesk_wave {-w -g -r} [-l lat lon -t time] ");
    return 0;
}
