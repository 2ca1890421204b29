#include <nanobind/nanobind.h>

NB_MODULE(matcher, m) {}
