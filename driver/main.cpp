// Entry point of the orvanel program.
#include <csignal>

#include "driver/run.h"

int main(int argc, char** argv) {
  // A closed pipe on standard output must not end the run with a signal: writes fail silently
  // and the run still ends with status 0.
  std::signal(SIGPIPE, SIG_IGN);
  orvanel::driver::run(argc, argv);
}
