#pragma once

// "tabulon-qr2 new": a first report in one of the expert's five styles,
// made without a window by the expert's own report creator.

// Runs the command (argv[1] is "new"); returns the exit code.
int RunNewReport(int argc, char *argv[]);
// The usage lines of the command.
extern const char kNewReportUsage[];
