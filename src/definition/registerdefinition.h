#pragma once

// Registers the design report, bands, elements, loaders and report data
// classes with the class registry (with the engine's classes), so that
// stored reports can create them by name. Safe to call more than once.
void RegisterDefinitionClasses();
