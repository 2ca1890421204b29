#include <nanobind/nanobind.h>

NB_MODULE(_reporter, m) {}
