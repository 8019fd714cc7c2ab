// ss: the command-line client of the source-control stand-in (SsCommand.h).
#include "platform/vss/SsCommand.h"

int main(int argc, char** argv) { return velt::vss::SsMain(argc, argv); }
