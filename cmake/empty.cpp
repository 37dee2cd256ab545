// Placeholder for a source folder that has no module yet.
