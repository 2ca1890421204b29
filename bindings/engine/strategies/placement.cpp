#include <nanobind/nanobind.h>

NB_MODULE(placement, m) {}
