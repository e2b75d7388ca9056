// Writes the demo sequence: tremax-gen-demo PATH.bld
#include "tools/DemoSequence.h"

#include <QString>
#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tremax-gen-demo FILE.bld\n");
        return 2;
    }
    try {
        WriteDemoSequence(QString::fromLocal8Bit(argv[1]), TDemoParameters{});
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tremax-gen-demo: %s\n", e.what());
        return 1;
    }
    return 0;
}
