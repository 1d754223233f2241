// Filled by the language library's sources.
