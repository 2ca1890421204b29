#include <nanobind/nanobind.h>

NB_MODULE(grammar, m) {}
