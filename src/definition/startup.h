#pragma once

// The one start-up of everything a report needs, called by every program and
// every test main right after the application object is made: the component
// classes of every library (data, engine, design, loaders, export filters) in
// the class registry, and the function library filled with the standard, the
// extended and the report-bound functions. Safe to call more than once.
void RegisterReportSupport();
