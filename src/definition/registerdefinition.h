#pragma once

// Registers the design report, bands, elements, loaders and report data
// classes with the class registry (with the engine's classes), so that
// stored reports can create them by name, and the report-bound expression
// functions with the function library. Safe to call more than once.
void RegisterDefinitionClasses();
