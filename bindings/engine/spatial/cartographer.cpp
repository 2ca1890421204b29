#include <nanobind/nanobind.h>

NB_MODULE(cartographer, m) {}
