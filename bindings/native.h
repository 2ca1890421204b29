// The binding of each core library: fills its submodule of kelvo_web._native (native.cpp).
#pragma once

#include <nanobind/nanobind.h>

void bind_text(nanobind::module_& m);
void bind_grammar(nanobind::module_& m);
void bind_harvester(nanobind::module_& m);
void bind_cartographer(nanobind::module_& m);
void bind_surveyor(nanobind::module_& m);
void bind_matcher(nanobind::module_& m);
void bind_placement(nanobind::module_& m);
void bind_reporter(nanobind::module_& m);
void bind_step_files(nanobind::module_& m);
void bind_ladder(nanobind::module_& m);
