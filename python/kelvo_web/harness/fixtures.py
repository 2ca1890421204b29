"""pytest plug-in: the report option, project configuration and the `agent` fixture."""
