// Entry point of the orvanel program.
#include "driver/run.h"

int main(int argc, char** argv) { orvanel::driver::run(argc, argv); }
