// kelvo_web._native: the one extension module. Each core library's binding fills a submodule,
// and the Python module at the library's public path puts that submodule in its own place
// (python/kelvo_web/engine/agent/grammar.py and the like).
#include "native.h"

#include <nanobind/nanobind.h>

namespace nb = nanobind;

namespace {

struct Submodule {
  const char* name;         // its attribute of _native
  const char* public_path;  // the module users import
  void (*bind)(nb::module_&);
};

// The harvester comes before the readers of its native lists.
constexpr Submodule kSubmodules[] = {
    {"text", "kelvo_web._text", bind_text},
    {"grammar", "kelvo_web.engine.agent.grammar", bind_grammar},
    {"harvester", "kelvo_web.engine.browser.harvester", bind_harvester},
    {"cartographer", "kelvo_web.engine.spatial.cartographer", bind_cartographer},
    {"surveyor", "kelvo_web.engine.spatial.surveyor", bind_surveyor},
    {"matcher", "kelvo_web.engine.strategies.matcher", bind_matcher},
    {"placement", "kelvo_web.engine.strategies.placement", bind_placement},
    {"reporter", "kelvo_web.harness._reporter", bind_reporter},
    {"step_files", "kelvo_web.harness._step_files", bind_step_files},
    {"ladder", "kelvo_web.engine.agent._ladder", bind_ladder},
};

}  // namespace

NB_MODULE(_native, m) {
  m.doc() =
      "The native core's bindings, one submodule per core library; import them from their public paths.";
  nb::dict paths;
  for (const Submodule& sub : kSubmodules) {
    nb::module_ module = m.def_submodule(sub.name);
    // Named before anything is bound, so classes and functions give the public path as their
    // __module__ (reprs, pickling, error messages and stubs read the same as before).
    module.attr("__name__") = sub.public_path;
    sub.bind(module);
    paths[sub.name] = sub.public_path;
  }
  m.attr("_PUBLIC_PATHS") = paths;
}
