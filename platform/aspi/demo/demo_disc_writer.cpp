// Writes the emulated-drive demo into the folder given as argument.
#include <cstdio>
#include <string>

#include "platform/aspi/demo/demo_disc.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    std::string error;
    if (!quandor::aspi::demo::writeDemo(argv[1], &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
