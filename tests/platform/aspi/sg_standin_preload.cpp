// Puts the real program on the stand-in for the sg/sr driver, to try it by
// hand on the real-drive back end without a drive:
//
//   LD_PRELOAD=build/default/tests/platform/aspi/libsg_standin_preload.so
//   QUANDOR_SG_STANDIN_DRIVES=build/default/demo/drives.ini
//   build/default/bin/brenlow/Brenlow   (all three on one command line)
//
// QUANDOR_SG_STANDIN_REFUSED=sr0 makes the nodes it names (comma-separated)
// refuse to open (EACCES), as a node the user may not open does.
//
// The drives of the INI file (the emulated drives' format) are put behind
// device nodes of a sysfs tree made in a temporary folder; the layer the
// program loads is the library this one is linked with, so it finds them
// there as it would find a machine's drives.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/platform/aspi/sg_driver_standin.h"

namespace {

void refuseNodes(const std::string& folder)
{
    const char* refused = std::getenv("QUANDOR_SG_STANDIN_REFUSED");
    std::string names = refused ? refused : "";
    for (std::size_t at = 0; at < names.size();) {
        const std::size_t comma = std::min(names.find(',', at), names.size());
        const std::string node = folder + "/machine/dev/" + names.substr(at, comma - at);
        quandor::aspi::test::testStandIn()->failOpen(node, EACCES);
        at = comma + 1;
    }
}

__attribute__((constructor)) void putDrivesBehindTheStandIn()
{
    const char* ini = std::getenv("QUANDOR_SG_STANDIN_DRIVES");
    if (!ini || !*ini)
        return;
    ::unsetenv("QUANDOR_EMULATED_DRIVES"); // the real-drive back end, nothing else
    std::string folder = "/tmp/sg-standin-XXXXXX";
    if (!::mkdtemp(folder.data())) {
        std::perror("sg stand-in");
        return;
    }
    std::string error;
    if (!quandor::aspi::test::loadDrivesBehindStandIn(ini, folder, &error))
        std::fprintf(stderr, "sg stand-in: %s\n", error.c_str());
    else
        std::fprintf(stderr, "sg stand-in: drives of %s behind %s/machine/dev\n", ini, folder.c_str());
    refuseNodes(folder);
}

} // namespace
