// Importing in pelage-render --bench: what the child process that isolates
// the model importer costs, against the same import in this process.
#pragma once

// Prints the figures: glmark2's cat.3ds imported both ways, pair after pair,
// or a line saying the file is missing.
void benchModelImport();
