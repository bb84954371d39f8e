#include "gui/shellactions.h"

TShellActions &ShellActions()
{
    static TShellActions actions;
    return actions;
}
