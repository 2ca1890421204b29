#include <nanobind/nanobind.h>

NB_MODULE(surveyor, m) {}
