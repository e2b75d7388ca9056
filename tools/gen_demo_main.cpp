// Writes the demo sequence: tremax-gen-demo [--glottis] PATH.bld (--glottis: the glottis test
// sequence with its known area)
#include "tools/DemoSequence.h"

#include <QString>
#include <cstdio>
#include <cstring>
#include <exception>

int main(int argc, char** argv)
{
    const bool glottis = argc == 3 && std::strcmp(argv[1], "--glottis") == 0;
    // An option in place of the file name ("--help") gets the usage, not a file of that name.
    if ((argc != 2 && !glottis) || argv[argc - 1][0] == '-') {
        std::fprintf(stderr, "usage: tremax-gen-demo [--glottis] FILE.bld\n");
        return 2;
    }
    try {
        WriteDemoSequence(QString::fromLocal8Bit(argv[argc - 1]), glottis ? GlottisDemoParameters() : TDemoParameters{});
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tremax-gen-demo: %s\n", e.what());
        return 1;
    }
    return 0;
}
