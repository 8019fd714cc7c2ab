// ss with a stop that arrives right after each transaction has committed,
// as a SIGTERM may at any moment.
#include <csignal>

#include "platform/vss/SsCommand.h"
#include "platform/vss/VssSession.h"

int main(int argc, char** argv) {
    velt::vss::TVssSession::SetCommitHooks(nullptr, [] { std::raise(SIGTERM); });
    return velt::vss::SsMain(argc, argv);
}
