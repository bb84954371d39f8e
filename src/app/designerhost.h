#pragma once

// The run-time component through which the shell opens the report designer ("Designer" in the
// main window, "Edit report" in the launcher), set up as the shell's windows carry it.

class TReportDesignerDialog;

// Gives the component the main window's settings: scripts on, print if empty, the four user
// settings and three editor settings, one copy from the automatic bin, custom SQL delimiters,
// ".QR2" files filtered as "Reports|*.QR2", everything else off.
void ConfigureShellDesigner(TReportDesignerDialog &dialog);

// Until the designer window is part of the program, opening it says so in a plain message
// instead of doing nothing.
void EnsureDesignerWindowHook();

// The message shown while the designer window is missing.
const char *DesignerMissingMessage();
