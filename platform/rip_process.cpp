#include "platform/rip_process.h"

#include <clocale>
#include <csignal>

void PrepareProcessForRips()
{
    std::setlocale(LC_NUMERIC, "C");
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}
