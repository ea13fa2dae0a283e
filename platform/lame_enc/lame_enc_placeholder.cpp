// Replaced as this folder is built.
