#include <nanobind/nanobind.h>

NB_MODULE(harvester, m) {}
