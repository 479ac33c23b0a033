#include "cli/stopsignal.h"

#include <csignal>

namespace {

// The handler only sets this flag: nothing else is safe inside a signal handler.
volatile std::sig_atomic_t g_requested = 0;

void onStopSignal(int)
{
    g_requested = 1;
}

void catchOnce(int signalNumber)
{
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // The default action is back after the first signal: a second one ends the process.
    action.sa_flags = SA_RESETHAND;
    sigaction(signalNumber, &action, nullptr);
}

}  // namespace

namespace StopSignal {

void install()
{
    catchOnce(SIGINT);
    catchOnce(SIGTERM);
    // The terminal closed: nobody is left to see the rest, and a half-written
    // output must still be dropped, not left to the default end.
    catchOnce(SIGHUP);
}

bool requested()
{
    return g_requested != 0;
}

}  // namespace StopSignal
