#include <nanobind/nanobind.h>

NB_MODULE(_ladder, m) {}
