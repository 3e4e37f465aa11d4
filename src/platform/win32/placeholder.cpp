// Placeholder until the first Windows face exists.
