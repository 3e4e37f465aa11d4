// Placeholder until the first Linux face exists.
