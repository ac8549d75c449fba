// orvel-ee: drives the evaluator the way a debugger host would.
#include <cstdio>

int main() {
    std::puts("orvel-ee: nothing to run yet");
    return 0;
}
