"""The agents made while a test runs, so the plug-in can report and close every one of them.

A test may build agents of its own besides the fixture's; each registers itself here when
it is made, under the test that is running. Plain module state: pytest runs one test at a
time per process (xdist workers are processes of their own).
"""

_current = None
_agents = {}


def begin(nodeid):
    """Agents made from now on belong to the test `nodeid`."""
    global _current
    _current = nodeid
    _agents.setdefault(nodeid, [])


def track(agent):
    """Called by every new agent; outside a test (a script, a REPL) it is not kept."""
    if _current is not None:
        _agents[_current].append(agent)


def agents_of(nodeid):
    return list(_agents.get(nodeid, ()))


def release(nodeid):
    """The test's agents, in the order they were made; the registry forgets them."""
    global _current
    if _current == nodeid:
        _current = None
    return _agents.pop(nodeid, [])


def steps_of(agents):
    """One list of every agent's steps, agent by agent; the sole agent's own list when alone."""
    if len(agents) == 1:
        return agents[0]._steps
    return [step for agent in agents for step in agent._steps]
