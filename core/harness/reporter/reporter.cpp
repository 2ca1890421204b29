#include "harness/reporter/reporter.h"
