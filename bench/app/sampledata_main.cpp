// qln_sampledata DIR [OUTGOING RECEIVED]: puts sample faxes into the fax
// tables of DIR (used by scripts/screenshot.sh).
#include "sampledata.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: qln_sampledata DIR [OUTGOING RECEIVED]\n");
        return 2;
    }
    const long out = argc == 4 ? std::atol(argv[2]) : 12;
    const long in = argc == 4 ? std::atol(argv[3]) : 7;
    if (!qln::sample::writeSampleFaxes(argv[1], out, in, true)) {
        std::fprintf(stderr, "qln_sampledata: cannot open the fax tables in %s\n", argv[1]);
        return 1;
    }
    std::printf("%ld outgoing and %ld received faxes written to %s\n", out, in, argv[1]);
    return 0;
}
