// Filled by the controls library's sources.
