#pragma once

// Registers the data component classes (tables, queries, data sources and
// every field class) for creation by class name. Safe to call more than once.
void RegisterDataClasses();
