#pragma once

// Makes the export filter components known to the class registry, so report
// forms and hosts can create them by class name.
void RegisterOutputClasses();
