// Filled by the views library's sources.
